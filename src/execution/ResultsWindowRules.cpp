#include "execution/ResultsWindowRules.h"

#include "shell/TextCatalogue.h"

namespace kitbox::ResultsWindowRules {

QString initialText()
{
    return QStringLiteral("Result Ausgabe/output");
}

QString initialDelayCaption()
{
    return QStringLiteral("Pause : 0.0 sek");
}

int roundDelay(int milliseconds)
{
    // Integer division truncates toward zero; the scroll bar never goes below
    // 0, but a negative value must still round to the nearest multiple.
    if (milliseconds >= 0)
        return ((milliseconds + 25) / 50) * 50;
    return -(((-milliseconds + 24) / 50) * 50);
}

QString delayLabel(int milliseconds, const TextCatalogue &texts)
{
    return texts.text(302) + QLatin1Char(' ') + QString::number(milliseconds / 1000.0, 'f', 2) + QLatin1Char(' ') +
           texts.text(303);
}

unsigned lampColour(Activity activity)
{
    switch (activity) {
    case Activity::Building:
        return 0x000000;
    case Activity::Pausing:
        return 0xFFFFFF;
    case Activity::Idle:
        return 0xC0C0C0;
    }
    return 0xC0C0C0;
}

CloseDecision decideClose(bool byUser, bool continuousRunActive)
{
    if (byUser && continuousRunActive)
        return CloseDecision::MinimiseAndRefuse;
    return CloseDecision::StopRunAndClose;
}

} // namespace kitbox::ResultsWindowRules
