// What the window tests cannot reach at the test screen's 96 dpi, where every
// designed length is a whole number of pixels and the window fits the screen.
#include "ui/main/MainWindowLayout.h"
#include "ui/common/Twips.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

namespace Layout = MainWindowLayout;

TEST(MainWindowLayout, RoundingTooNarrowOrMinimisedAndLargerThanTheScreen)
{
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(Layout::kButtonPanelWidth, 144), 146); // 145.5 rounds up
    EXPECT_EQ(PixelsToTwips(10, 144), 100);
    EXPECT_EQ(Layout::GridPlacement({900, 500}, 97), QRect(0, 0, 803, 500));
    // Narrower than the panel, or minimised: the grid stays where it was.
    EXPECT_EQ(Layout::GridPlacement({97, 50}, 97), QRect(0, 0, 0, 50));
    EXPECT_FALSE(Layout::GridPlacement({96, 414}, 97).has_value());
    EXPECT_FALSE(Layout::GridPlacement({693, -1}, 97).has_value());
    // Larger than the screen: integer halves towards zero, starting above or left of it.
    EXPECT_EQ(Layout::CentredOrigin(QRect(0, 0, 800, 600), {1001, 600}), QPoint(-100, 0));
}

} // namespace
} // namespace ze6
