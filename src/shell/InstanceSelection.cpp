#include "InstanceSelection.h"

QString instanceCaption(const QString &title, int number)
{
    if (number <= 0)
        return title;
    return title + QStringLiteral(" : ") + QString::number(number);
}

InstanceDecision selectInstance(const QString &title, int optionInstance, bool multiInstanceSetting,
                                const std::function<bool(int number)> &isTaken)
{
    InstanceDecision decision;

    if (optionInstance >= 1) {
        // An explicit instance always means multi-instance mode.
        decision.multiInstance = true;
        decision.instanceNumber = optionInstance;
        if (optionInstance > maxInstanceNumber || isTaken(optionInstance)) {
            decision.action = InstanceDecision::Action::ShowErrorAndExit;
            decision.errorTextId = textInstanceTaken;
            return decision;
        }
        decision.caption = instanceCaption(title, optionInstance);
        return decision;
    }

    if (!multiInstanceSetting) {
        for (int number = 0; number <= maxInstanceNumber; ++number) {
            if (isTaken(number)) {
                decision.action = InstanceDecision::Action::ActivateOtherAndExit;
                decision.runningInstance = number;
                return decision;
            }
        }
        decision.caption = title;
        return decision;
    }

    decision.multiInstance = true;
    for (int number = 1; number <= maxInstanceNumber; ++number) {
        if (!isTaken(number)) {
            decision.instanceNumber = number;
            decision.caption = instanceCaption(title, number);
            return decision;
        }
    }
    decision.action = InstanceDecision::Action::ShowErrorAndExit;
    decision.errorTextId = textNoFreeInstance;
    return decision;
}
