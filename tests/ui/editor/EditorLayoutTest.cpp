#include "ui/editor/EditorLayout.h"

#include <gtest/gtest.h>

namespace ze6::EditorLayout {
namespace {

constexpr double kDesignedPicture1Top = kClientHeight - kFooterHeight - kPicture1Height;

TEST(EditorLayoutTest, DesignedSizeSplitsThirtyPercent)
{
    EXPECT_EQ(kDesignedPicture1Top, 6510);
    const SplitPanes panes = SizeControls({}, kClientWidth, kStartSplitRatio, kDesignedPicture1Top);
    EXPECT_EQ(panes.splitter, (Rect{3159, 0, 75, 6510}));
    EXPECT_EQ(panes.tree, (Rect{0, 0, 3159, 6510}));
    EXPECT_EQ(panes.grid, (Rect{3234, 0, 7296, 6510}));
}

TEST(EditorLayoutTest, WideningKeepsTheFractionNotTheWidth)
{
    const SplitPanes narrow = SizeControls({}, kClientWidth, kStartSplitRatio, kDesignedPicture1Top);
    const SplitPanes wide = SizeControls(narrow, 2 * kClientWidth, kStartSplitRatio, kDesignedPicture1Top);
    EXPECT_EQ(wide.splitter.left, 6318);
    EXPECT_EQ(wide.tree, (Rect{0, 0, 6318, 6510}));
    EXPECT_EQ(wide.grid.left, 6393);
    EXPECT_EQ(wide.grid.width, 2 * kClientWidth - 6393);
}

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
    EXPECT_EQ(DropLeft(-4000, kClientWidth), 300);
    EXPECT_EQ(DropLeft(5000, kClientWidth), 5000);
    EXPECT_EQ(DropLeft(kClientWidth - 50, kClientWidth), kClientWidth - 300);
    for (const double left : {-10.0, 0.0, 100.0, 250.0, 400.0, 499.0})
        EXPECT_EQ(DropLeft(left, 500), 200) << left;
}

TEST(EditorLayoutTest, ButtonPanelStaysFlushRight)
{
    for (const double footerWidth : {10530.0, 21060.0, 3015.0, 1005.0}) {
        const double left = ButtonPanelLeft(footerWidth);
        EXPECT_EQ(left + kButtonPanel.width, footerWidth);
        const PixelRect panel = ToPixels({left, 0, kButtonPanel.width, kButtonPanel.height}, 15);
        EXPECT_EQ(panel.x + panel.width, static_cast<int>(footerWidth / 15));
    }
    EXPECT_EQ(kOkButton.left, 120);
    EXPECT_EQ(kCancelButton.left, 1560);
}

TEST(EditorLayoutTest, KeepLastBoxMakesRoomForAWiderLabel)
{
    EXPECT_EQ(KeepLastBoxLeft(3000), 4440);
    EXPECT_EQ(KeepLastBoxLeft(4200), 4440);
    EXPECT_EQ(KeepLastBoxLeft(5000), 120 + 5000 + 120);
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
    EXPECT_EQ(ToPixels({0, 0, kClientWidth, kClientHeight}, 15), (PixelRect{0, 0, 702, 572}));
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
