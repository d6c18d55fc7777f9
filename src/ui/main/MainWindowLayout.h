#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// The main window's layout as numbers, so the rules can be checked without a
// window. Sizes are in twips; placement works in whatever unit it is given.
namespace ze6::MainWindowLayout {

inline constexpr int kClientWidth = 10395;
inline constexpr int kClientHeight = 6210;
inline constexpr int kButtonPanelWidth = 1455;

// The buttons of the right-hand panel, top to bottom (also the tab order).
inline constexpr int kButtonLeft = 120;
inline constexpr int kButtonWidth = 1215;
inline constexpr int kButtonHeight = 375;
inline constexpr int kFirstButtonTop = 120;
inline constexpr int kButtonSpacing = 480;
inline constexpr int ButtonTop(int index)
{
    return kFirstButtonTop + index * kButtonSpacing;
}

// Where the grid goes: the client area left of the button panel. Nothing when
// the client area cannot hold it (narrower than the panel, or minimised), in
// which case the grid stays where it was.
std::optional<QRect> GridPlacement(QSize clientSize, int buttonPanelWidth);

// The button panel, docked at the right edge over the full height.
QRect ButtonPanelPlacement(QSize clientSize, int buttonPanelWidth);

// Top-left corner that centres a window on the screen area (integer halves,
// as a window larger than the screen may start above or left of it).
QPoint CentredOrigin(const QRect& screenArea, QSize windowSize);

} // namespace ze6::MainWindowLayout
