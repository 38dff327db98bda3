#include "WindowPlacement.h"

#include <cmath>

double WindowPlacement::twipsPerPixel(double logicalDpi)
{
    if (!(logicalDpi > 0))
        logicalDpi = 96;
    return 1440.0 / logicalDpi;
}

int WindowPlacement::pixelsToTwips(int pixels, double logicalDpi)
{
    return int(std::lround(pixels * twipsPerPixel(logicalDpi)));
}

int WindowPlacement::twipsToPixels(int twips, double logicalDpi)
{
    return int(std::lround(twips / twipsPerPixel(logicalDpi)));
}

WindowPlacement WindowPlacement::placeMainWindow(const WindowPlacement &saved, int screenWidthTwips,
                                                 int screenHeightTwips)
{
    WindowPlacement placed = saved;
    // A window whose visible part would be a sliver (or nothing) is brought back to the left edge.
    if (static_cast<long long>(placed.left) + placed.width < 500)
        placed.left = 0;
    if (placed.left > screenWidthTwips - 500)
        placed.left = 0;
    if (placed.top < 0)
        placed.top = 0;
    if (placed.top > screenHeightTwips - 300)
        placed.top = 0;
    return placed;
}
