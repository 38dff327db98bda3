#pragma once
// Turns the telegrams of an interface trace into a simulation file, so that
// a session recorded on one setup can be replayed in simulation: each request
// becomes one entry whose responses are the answers it got, in the order it
// got them. The simulation cycles through an entry's responses, so a
// sequence that repeats is written once.
#include "trace/TraceReader.h"

#include <kitbox/Result.h>

#include <QString>

class TextCatalogue;

namespace kitbox {

struct Recording {
    QString text;        // the simulation file, LF line ends
    int entries = 0;     // distinct requests
    int telegrams = 0;   // exchanges taken over
    int skipped = 0;     // exchanges of other descriptions, or with an empty request or answer
};

class SimulationRecorder {
public:
    // description: keep only the telegrams of jobs called for it (case
    // ignored); telegrams outside any job line (a level-1 trace) are kept.
    // Empty: keep all.
    static Result<Recording> record(QByteArrayView traceData, const QString &description);
    static Result<Recording> record(const TraceReading &reading, const QString &description);

    // The shortest leading part of the sequence that, cycled, gives it whole.
    static qsizetype cycleLength(const QStringList &responses);

    // "Recorded: 12 telegrams, 5 requests", as the window and the command line say it.
    static QString summary(const Recording &recording, const TextCatalogue &texts);

    // Writes the recording atomically; an existing file is kept unless
    // overwrite is set.
    static Status write(const QString &path, const Recording &recording, bool overwrite);
};

} // namespace kitbox
