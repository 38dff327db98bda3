#pragma once
// What a test run needs from its surroundings: the log's destination (the
// results window, or standard output), the editor's cursor and highlight, the
// test command's caption and picture, and the event handling that keeps the
// window alive between repetitions. The window program and kitbox32-cli each
// implement it; tests implement it with plain values.
#include "execution/ResultsWindowRules.h"

#include <QString>

namespace kitbox {

class TestRunHost {
public:
    virtual ~TestRunHost() = default;

    // Restores the results window and replaces its text.
    virtual void startLog(const QString &text) = 0;
    // Appends to the results window's text and puts the caret at its end.
    virtual void appendLog(const QString &text) = 0;
    virtual void setActivity(ResultsWindowRules::Activity activity) = 0;
    // Handles pending events, waits up to 1 ms for input and handles them
    // again; commands issued meanwhile (stop, a job run) run inside.
    virtual void keepAlive() = 0;

    // The editor highlights the step being run.
    virtual void showStep(int row) = 0;
    // The step row the editor's cursor stands on, and moving it.
    virtual int cursorStep() = 0;
    virtual void setCursorStep(int row) = 0;

    enum class Command {
        Running,             // "&" + text 111, running picture
        Idle,                // "&" + text 110, idle picture
        IdleAfterSingleStep, // idle picture, "Single Test ausführen"
    };
    virtual void setTestCommand(Command command) = 0;
    // A continuous job run was ended by the test's start: its command shows idle.
    virtual void continuousRunEnded() = 0;
};

} // namespace kitbox
