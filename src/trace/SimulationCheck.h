#pragma once
// Checks the text of a simulation file line by line with the rules the
// runtime applies when it reads the file, so that the editor can mark every
// faulty line at once (the runtime stops at the first), and splits a line
// into the parts the editor colours.
#include <QList>
#include <QString>
#include <QStringView>

namespace kitbox {

struct SimulationFault {
    int line = 0; // from 1
    QString reason;
    friend bool operator==(const SimulationFault &, const SimulationFault &) = default;
};

struct SimulationLineParts {
    // Character ranges in the line; length 0 when the part is absent.
    int requestStart = 0, requestLength = 0;
    int responseStart = 0, responseLength = 0;
    int commentStart = 0, commentLength = 0;
};

class SimulationCheck {
public:
    static QList<SimulationFault> check(const QString &text);
    static SimulationLineParts parts(QStringView line);
};

} // namespace kitbox
