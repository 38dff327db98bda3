#pragma once
// Where reports go: the results window as the logic sees it. The window side
// creates the window on first use.
#include <QString>

namespace kitbox {

class ResultsOutput {
public:
    virtual ~ResultsOutput() = default;
    // Creates the window when needed, restores it from the minimised state
    // and brings it up in the normal state.
    virtual void showNormal() = 0;
    virtual QString text() const = 0;
    // Replaces the whole text; a text equal to the shown one changes nothing.
    virtual void setText(const QString &text) = 0;
    // Adds to the end of the text. The window overrides it so that a growing
    // log (a test run, a list check) is not laid out anew for every line.
    virtual void appendText(const QString &more) { setText(text() + more); }
};

} // namespace kitbox
