#pragma once
// Reads the trace file in pieces, so that a large trace neither blocks the
// window nor needs a second copy. A file that the runtime still holds or
// that is briefly locked is tried again after a pause.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

namespace kitbox {

class TraceFileReader {
public:
    static constexpr int attempts = 5;
    static constexpr int retryPauseMs = 500;
    static constexpr qint64 chunkSize = 1 << 20;

    // pause(ms) waits between attempts; tests count instead of sleeping.
    explicit TraceFileReader(std::function<void(int)> pause);

    // Opens the file and goes to offset (for reading only what was added).
    // After the last failed attempt: false.
    bool open(const QString &path, qint64 offset = 0);
    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    bool atEnd() const { return m_position >= m_size; }
    // The next piece; empty at the end or on a read error.
    QByteArray next(qint64 maximum = chunkSize);
    int attemptsMade() const { return m_attemptsMade; }

    // Tests make the first n opening attempts fail, as a locked file does.
    int failingOpensForTesting = 0;

private:
    std::function<void(int)> m_pause;
    QFile m_file;
    qint64 m_size = 0;
    qint64 m_position = 0;
    int m_attemptsMade = 0;
};

} // namespace kitbox
