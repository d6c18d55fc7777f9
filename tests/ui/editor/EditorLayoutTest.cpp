#include "ui/editor/EditorLayout.h"

#include <gtest/gtest.h>

namespace ze6::EditorLayout {
namespace {

constexpr double kDesignedPicture1Top = kClientHeight - kFooterHeight - kPicture1Height;

TEST(EditorLayoutTest, StepsWithNegativeSizesAreSkippedOneByOne)
{
    const SplitPanes before = SizeControls({}, kClientWidth, kStartSplitRatio, kDesignedPicture1Top);
    // Too low for the upper area: every height keeps its value, the rest follows the new width.
    const SplitPanes lowered = SizeControls(before, 5000, kStartSplitRatio, -200);
    EXPECT_EQ(lowered.splitter.left, 1500);
    EXPECT_EQ(lowered.splitter.height, 6510);
    EXPECT_EQ(lowered.tree, (Rect{0, 0, 1500, 6510}));
    EXPECT_EQ(lowered.grid, (Rect{1575, 0, 3425, 6510}));

    // So narrow that the grid would need a negative width: it keeps its old width but moves.
    const SplitPanes narrow = SizeControls(before, 50, 0.9, 3000);
    EXPECT_EQ(narrow.splitter.left, 45);
    EXPECT_EQ(narrow.tree.width, 45);
    EXPECT_EQ(narrow.grid.left, 120);
    EXPECT_EQ(narrow.grid.width, 7296);
    EXPECT_EQ(narrow.grid.height, 3000);
}

TEST(EditorLayoutTest, DropsAreKeptAwayFromBothEdgesRightLimitLast)
{
    EXPECT_EQ(DropLeft(100, kClientWidth), 300);
    EXPECT_EQ(DropLeft(5000, kClientWidth), 5000);
    EXPECT_EQ(DropLeft(kClientWidth - 50, kClientWidth), kClientWidth - 300);
    EXPECT_EQ(DropLeft(100, 500), 200); // too narrow for both limits: the right one wins
}

TEST(EditorLayoutTest, ButtonPanelStaysFlushRight)
{
    for (const double footerWidth : {21060.0, 1005.0})
        EXPECT_EQ(ButtonPanelLeft(footerWidth) + kButtonPanel.width, footerWidth);
}

TEST(EditorLayoutTest, CentringTruncatesTowardsZero)
{
    EXPECT_EQ(CentredOrigin(28800, 10530), 9135);
    EXPECT_EQ(CentredOrigin(28801, 10530), 9135);
    EXPECT_EQ(CentredOrigin(9000, 10531), -765);
}

TEST(EditorLayoutTest, PixelsFollowTheLogicalResolution)
{
    EXPECT_EQ(TwipsPerPixel(96), 15);
    EXPECT_EQ(TwipsPerPixel(144), 10);
    EXPECT_EQ(TwipsPerPixel(0), 15);
    // Edges are converted, so tree, splitter and grid still touch after rounding.
    const SplitPanes panes = SizeControls({}, kClientWidth, kStartSplitRatio, kDesignedPicture1Top);
    const PixelRect tree = ToPixels(panes.tree, 15);
    const PixelRect splitter = ToPixels(panes.splitter, 15);
    const PixelRect grid = ToPixels(panes.grid, 15);
    EXPECT_EQ(tree.x + tree.width, splitter.x);
    EXPECT_EQ(splitter.x + splitter.width, grid.x);
    EXPECT_EQ(grid.x + grid.width, 702);
}

} // namespace
} // namespace ze6::EditorLayout
