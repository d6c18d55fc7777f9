#pragma once

// The windows are laid out in twips (1/1440 inch) so that they keep their
// proportions on any screen; these convert at the screen's logical resolution
// (15 twips per pixel at 96 dots per inch). Every window of the program uses
// them, so they sit in a small library below all the windows.
namespace ze6 {

inline constexpr int kTwipsPerInch = 1440;

// Rounded to the nearest pixel / twip.
int TwipsToPixels(int twips, double dotsPerInch);
int PixelsToTwips(int pixels, double dotsPerInch);
// Not rounded; 15 when the resolution is unknown (0).
double TwipsPerPixel(double dotsPerInch);

} // namespace ze6
