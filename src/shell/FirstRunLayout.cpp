#include "shell/FirstRunLayout.h"

#include <algorithm>

namespace kitbox::FirstRunLayout {

Rect mainWindow(const Rect &available)
{
    const int width = std::min(available.width, std::max(minimumMainWidth, available.width * mainSharePercent / 100));
    const int height =
        std::min(available.height, std::max(minimumMainHeight, available.height * mainSharePercent / 100));
    return {available.x + (available.width - width) / 2, available.y + (available.height - height) / 2, width, height};
}

Children children(int clientWidth, int clientHeight, int lineHeight, int resultsChrome, int charWidth)
{
    const int width = std::max(0, clientWidth);
    const int height = std::max(0, clientHeight);
    const int resultsNeeded = minimumResultLines * std::max(1, lineHeight) + std::max(0, resultsChrome);
    // The job window gets a third of the height, the report the rest; when
    // the report would not have its lines, the job window gives way down to
    // its own minimum, and only below that do both share what there is.
    int jobHeight = height / 3;
    if (height - jobHeight < resultsNeeded)
        jobHeight = std::max(std::min(minimumJobHeight, height / 2), height - resultsNeeded);
    const int below = height - jobHeight;
    const int sideWidth = std::min(width, std::max(minimumSideWidth, width * sideSharePercent / 100));
    const int sideX = width - sideWidth;
    const bool sideBySide = sideX >= reportColumns * std::max(1, charWidth);

    Children c;
    c.job = {0, 0, width, jobHeight};
    c.results = {0, jobHeight, sideBySide ? sideX : width, below};
    const int upper = below / 2;
    c.info = {sideX, jobHeight, sideWidth, upper};
    c.tables = {sideX, jobHeight + upper, sideWidth, below - upper};
    // The simulation file and the trace are opened less often; they take the
    // upper and lower half of the column over the other two.
    c.simulation = c.info;
    c.trace = c.tables;
    return c;
}

} // namespace kitbox::FirstRunLayout
