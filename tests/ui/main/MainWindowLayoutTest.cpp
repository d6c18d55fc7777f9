#include "ui/main/MainWindowLayout.h"
#include "ui/about/Twips.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

namespace Layout = MainWindowLayout;

TEST(Twips, ConvertAtTheScreensResolution)
{
    EXPECT_EQ(TwipsToPixels(Layout::kClientWidth, 96), 693);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(Layout::kButtonPanelWidth, 144), 146); // 145.5 rounds up
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
}

TEST(MainWindowLayout, GridFillsTheClientAreaLeftOfThePanelOrIsSkipped)
{
    EXPECT_EQ(Layout::GridPlacement({693, 414}, 97), QRect(0, 0, 596, 414));
    EXPECT_EQ(Layout::GridPlacement({97, 50}, 97), QRect(0, 0, 0, 50));
    // Narrower than the panel, or minimised: the grid stays where it was.
    EXPECT_FALSE(Layout::GridPlacement({96, 414}, 97).has_value());
    EXPECT_FALSE(Layout::GridPlacement({693, -1}, 97).has_value());
}

TEST(MainWindowLayout, CentresOnTheScreenArea)
{
    EXPECT_EQ(Layout::CentredOrigin(QRect(1920, 30, 1280, 770), {692, 440}), QPoint(1920 + 294, 30 + 165));
    // Larger than the screen: integer halves towards zero.
    EXPECT_EQ(Layout::CentredOrigin(QRect(0, 0, 800, 600), {1001, 600}), QPoint(-100, 0));
}

} // namespace
} // namespace ze6
