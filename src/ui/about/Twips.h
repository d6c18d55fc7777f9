#pragma once

// The windows are laid out in twips (1/1440 inch) so that they keep their
// proportions on any screen; these convert at the screen's logical resolution
// (15 twips per pixel at 96 dots per inch). Shared by every window of the
// program, which is why it sits in the lowest window library.
namespace ze6 {

inline constexpr int kTwipsPerInch = 1440;

// Rounded to the nearest pixel / twip.
int TwipsToPixels(int twips, double dotsPerInch);
int PixelsToTwips(int pixels, double dotsPerInch);

} // namespace ze6
