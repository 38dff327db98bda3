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

Children children(int clientWidth, int clientHeight, int lineHeight, int resultsChrome)
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
    Children c;
    c.job = {0, 0, width, jobHeight};
    c.results = {0, jobHeight, width, height - jobHeight};
    return c;
}

} // namespace kitbox::FirstRunLayout
