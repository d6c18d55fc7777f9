#include "ui/common/Twips.h"

#include <cmath>

namespace ze6 {

int TwipsToPixels(int twips, double dotsPerInch)
{
    return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

int PixelsToTwips(int pixels, double dotsPerInch)
{
    if (dotsPerInch <= 0)
        return 0;
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dotsPerInch));
}

double TwipsPerPixel(double dotsPerInch)
{
    return dotsPerInch > 0 ? kTwipsPerInch / dotsPerInch : 15.0;
}

} // namespace ze6
