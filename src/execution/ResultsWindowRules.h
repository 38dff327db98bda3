#pragma once
// The rules of the results window that do not need a window: the pause
// setting and its label, the lamp colours, the smallest size and the close
// decision.
#include <QString>

class TextCatalogue;

namespace kitbox {

namespace ResultsWindowRules {

inline constexpr int delayMinimum = 0;
inline constexpr int delayMaximum = 10000;
inline constexpr int delaySmallStep = 50;
inline constexpr int delayLargeStep = 1000;
// Neither width nor height of the window in the normal state goes below this.
inline constexpr int minimumSizeTwips = 1500;

// Text the window shows before the first report.
QString initialText();
// Caption of the pause label before the first change event.
QString initialDelayCaption();

// The pause rounded to the nearest multiple of 50 ms, halves upward.
int roundDelay(int milliseconds);
// "Pause : 1.25 s": text 302, the pause in seconds with two decimals between
// blanks, text 303.
QString delayLabel(int milliseconds, const TextCatalogue &texts);

enum class Activity { Idle, Building, Pausing };
// Lamp colour as 0xRRGGBB: black while a report is built, white during a
// pause, grey when idle.
unsigned lampColour(Activity activity);

enum class CloseDecision {
    MinimiseAndRefuse, // the user's close box during a continuous run: the run goes on
    StopRunAndClose,   // any other close: the run flag is cleared and the window goes
};
CloseDecision decideClose(bool byUser, bool continuousRunActive);

// A report replaces the text only when it differs; an equal text is no
// change (the print source stays as it was).
inline bool isChange(const QString &shown, const QString &report)
{
    return shown != report;
}

} // namespace ResultsWindowRules

} // namespace kitbox
