#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The main window's layout as numbers. Sizes are in twips: the window's
// layouts turn them into pixels, and the grid takes what the button panel
// leaves, so no placement is computed by hand.
namespace ze6::MainWindowLayout {

inline constexpr int kClientWidth = 10395;
inline constexpr int kClientHeight = 6210;
inline constexpr int kButtonPanelWidth = 1455;

// The buttons of the right-hand panel, top to bottom (also the tab order).
inline constexpr int kButtonLeft = 120;
inline constexpr int kButtonWidth = 1215;
inline constexpr int kButtonHeight = 375;
inline constexpr int kFirstButtonTop = 120;
inline constexpr int kButtonSpacing = 480; // from one button's top to the next one's

// Top-left corner that centres a window on the screen area (integer halves,
// as a window larger than the screen may start above or left of it).
QPoint CentredOrigin(const QRect& screenArea, QSize windowSize);

} // namespace ze6::MainWindowLayout
