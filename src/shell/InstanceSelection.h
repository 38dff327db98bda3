#pragma once
// Which program instance this process becomes, decided from the -INTERFACE
// option, the multi-instance setting and the numbers other instances hold.
// Pure logic: who holds which number is asked through a predicate, so the
// rules are testable without running processes (InstanceRegistry answers it
// in the program).
#include <QString>

#include <functional>

struct InstanceDecision {
    enum class Action {
        Run,                  // go on with caption and instanceNumber
        ActivateOtherAndExit, // single-instance mode and another instance runs
        ShowErrorAndExit,     // show text errorTextId and end without writing settings
    };
    Action action = Action::Run;
    int instanceNumber = 0;     // 0 in single-instance mode, else 1..9
    bool multiInstance = false; // multi-instance mode in effect (switched on by the option)
    QString caption;            // window caption: title, or title + " : " + number
    int errorTextId = 0;        // 49 (instance taken or above 9) or 55 (no free instance)
    int runningInstance = -1;   // with ActivateOtherAndExit: the number found running (0..9)
};

// The caption an instance with this number carries (0: the plain title).
QString instanceCaption(const QString &title, int number);

// isTaken(0) asks whether a single-mode instance (caption = title) runs,
// isTaken(n) for n = 1..9 whether number n is held. The predicate is called
// only as far as the decision needs it.
InstanceDecision selectInstance(const QString &title, int optionInstance, bool multiInstanceSetting,
                                const std::function<bool(int number)> &isTaken);

inline constexpr int maxInstanceNumber = 9;
inline constexpr int textInstanceTaken = 49;
inline constexpr int textNoFreeInstance = 55;
