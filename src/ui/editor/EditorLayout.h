#pragma once

// Geometry of the backup entry editor as plain numbers. Lengths are twips
// (1/1440 inch) as the dialog was designed; the widgets convert them to pixels
// at the screen's logical resolution and only apply what these functions say.
namespace ze6::EditorLayout {

struct Rect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const Rect&) const = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelRect&) const = default;
};

// The designed client area and the two panels docked to its bottom edge.
inline constexpr double kClientWidth = 10530;
inline constexpr double kClientHeight = 8580;
inline constexpr double kTargetPanelHeight = 1455;
inline constexpr double kFooterHeight = 615;

// The button panel inside the footer and its two buttons.
inline constexpr Rect kButtonPanel{0, 0, 3015, 615};
inline constexpr Rect kOkButton{120, 120, 1335, 375};
inline constexpr Rect kCancelButton{1560, 120, 1335, 375};

// Contents of the target panel; a height of 0 means "the control's natural height".
inline constexpr Rect kTargetLabel{120, 240, 7095, 0};
inline constexpr Rect kTargetFolderBox{120, 480, 7095, 0};
inline constexpr Rect kTargetBrowseButton{7320, 480, 375, 0};
inline constexpr Rect kTargetRemoteButton{7800, 480, 1095, 0};
inline constexpr Rect kKeepLastLabel{120, 960, 4200, 0};
inline constexpr Rect kKeepLastBox{4440, 960, 855, 0};

inline constexpr double kLabelGap = 120;

inline constexpr double kSplitterWidth = 75;
inline constexpr double kDropMargin = 300;
inline constexpr double kStartSplitRatio = 0.3;

// The three controls of the upper area, from left to right.
struct SplitPanes {
    Rect splitter;
    Rect tree;
    Rect grid;

    bool operator==(const SplitPanes&) const = default;
};

// Places the splitter from the split ratio and the tree and the grid on either
// side of it, all as high as the space above the target panel. A step that
// would give a negative width or height is skipped and that value stays as it
// was in `current`; the later steps still run.
SplitPanes SizeControls(const SplitPanes& current, double innerWidth, double splitRatio, double targetPanelTop);

// Where a dragged splitter lands: no closer than 300 to the left edge, then no
// closer than 300 to the right edge (the right-hand limit wins when both apply).
double DropLeft(double indicatorLeft, double innerWidth);

// Left edge of the button panel, keeping it flush with the footer's right edge.
double ButtonPanelLeft(double footerInnerWidth);

// Left edge of the keep-last box: its designed place, or further right when
// the label before it is wider in the platform's font than it was designed.
double KeepLastBoxLeft(double keepLastLabelTextWidth);

// Top-left coordinate that centres a window on the screen, truncated towards zero.
int CentredOrigin(int screenLength, int windowLength);

// Converts by edges, so that neighbouring controls stay touching after rounding.
PixelRect ToPixels(const Rect& rect, double twipsPerPixel);

} // namespace ze6::EditorLayout
