#include "ui/editor/EditorLayout.h"

#include <algorithm>
#include <cmath>

namespace ze6::EditorLayout {

namespace {

// Control positions are stored in single precision, so every placed value is
// rounded to it; a later step reads back exactly what an earlier one stored.
double Single(double value)
{
    return static_cast<double>(static_cast<float>(value));
}

void SetWidth(Rect& rect, double width)
{
    if (width >= 0)
        rect.width = Single(width);
}

void SetHeight(Rect& rect, double height)
{
    if (height >= 0)
        rect.height = Single(height);
}

} // namespace

SplitPanes SizeControls(const SplitPanes& current, double innerWidth, double splitRatio, double targetPanelTop)
{
    SplitPanes panes = current;
    Rect& splitter = panes.splitter;
    Rect& tree = panes.tree;
    Rect& grid = panes.grid;

    splitter.top = 0;
    splitter.left = Single(innerWidth * splitRatio);
    SetWidth(splitter, kSplitterWidth);
    SetHeight(splitter, targetPanelTop);

    tree.left = 0;
    SetWidth(tree, splitter.left);
    tree.top = splitter.top;
    SetHeight(tree, splitter.height);

    grid.left = Single(splitter.left + splitter.width);
    SetWidth(grid, innerWidth - (splitter.left + splitter.width));
    grid.top = tree.top;
    SetHeight(grid, splitter.height);
    return panes;
}

double DropLeft(double indicatorLeft, double innerWidth)
{
    double left = indicatorLeft;
    if (left < kDropMargin)
        left = kDropMargin;
    const double rightLimit = Single(innerWidth - kDropMargin);
    if (left > rightLimit)
        left = rightLimit;
    return left;
}

double ButtonPanelLeft(double footerInnerWidth)
{
    return footerInnerWidth - kButtonPanel.width;
}

double KeepLastBoxLeft(double keepLastLabelTextWidth)
{
    return std::max(kKeepLastBox.left, kKeepLastLabel.left + keepLastLabelTextWidth + kLabelGap);
}

int CentredOrigin(int screenLength, int windowLength)
{
    return (screenLength - windowLength) / 2;
}

PixelRect ToPixels(const Rect& rect, double twipsPerPixel)
{
    const auto toPixel = [twipsPerPixel](double twips) { return static_cast<int>(std::lround(twips / twipsPerPixel)); };
    const int x = toPixel(rect.left);
    const int y = toPixel(rect.top);
    return {x, y, toPixel(rect.left + rect.width) - x, toPixel(rect.top + rect.height) - y};
}

} // namespace ze6::EditorLayout
