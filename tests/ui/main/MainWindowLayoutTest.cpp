#include "ui/main/MainWindowLayout.h"
#include "ui/about/Twips.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

namespace Layout = MainWindowLayout;

TEST(Twips, ConvertAtTheScreensResolution)
{
    EXPECT_EQ(TwipsToPixels(Layout::kClientWidth, 96), 693);
    EXPECT_EQ(TwipsToPixels(Layout::kClientHeight, 96), 414);
    EXPECT_EQ(TwipsToPixels(Layout::kButtonPanelWidth, 96), 97);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(Layout::kButtonPanelWidth, 144), 146); // 145.5 rounds up
    EXPECT_EQ(TwipsToPixels(Layout::kButtonPanelWidth, 120), 121);
    EXPECT_EQ(PixelsToTwips(97, 96), 1455);
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
    EXPECT_EQ(PixelsToTwips(10, 0), 0);
}

TEST(MainWindowLayout, ButtonsStack480TwipsApartFrom120)
{
    EXPECT_EQ(Layout::ButtonTop(0), 120);
    EXPECT_EQ(Layout::ButtonTop(1), 600);
    EXPECT_EQ(Layout::ButtonTop(2), 1080);
    EXPECT_EQ(Layout::ButtonTop(3), 1560);
}

TEST(MainWindowLayout, GridFillsTheClientAreaLeftOfThePanel)
{
    EXPECT_EQ(Layout::GridPlacement({693, 414}, 97), QRect(0, 0, 596, 414));
    EXPECT_EQ(Layout::GridPlacement({97, 50}, 97), QRect(0, 0, 0, 50));
    EXPECT_EQ(Layout::ButtonPanelPlacement({693, 414}, 97), QRect(596, 0, 97, 414));
}

TEST(MainWindowLayout, AClientAreaThatCannotHoldTheGridIsSkipped)
{
    EXPECT_FALSE(Layout::GridPlacement({96, 414}, 97).has_value());
    EXPECT_FALSE(Layout::GridPlacement({0, 0}, 97).has_value());
    EXPECT_FALSE(Layout::GridPlacement({693, -1}, 97).has_value());
}

TEST(MainWindowLayout, CentresOnTheScreenArea)
{
    EXPECT_EQ(Layout::CentredOrigin(QRect(0, 0, 1280, 800), {693, 440}), QPoint(293, 180));
    // A screen area that does not start at the origin (a panel on the left, a second monitor).
    EXPECT_EQ(Layout::CentredOrigin(QRect(1920, 30, 1280, 770), {692, 440}), QPoint(1920 + 294, 30 + 165));
    // Larger than the screen: integer halves towards zero.
    EXPECT_EQ(Layout::CentredOrigin(QRect(0, 0, 800, 600), {1001, 600}), QPoint(-100, 0));
}

} // namespace
} // namespace ze6
