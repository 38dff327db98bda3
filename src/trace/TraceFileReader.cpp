#include "trace/TraceFileReader.h"

namespace kitbox {

TraceFileReader::TraceFileReader(std::function<void(int)> pause) : m_pause(std::move(pause)) {}

bool TraceFileReader::open(const QString &path, qint64 offset)
{
    m_file.close();
    m_file.setFileName(path);
    m_size = 0;
    m_position = 0;
    for (m_attemptsMade = 1; m_attemptsMade <= attempts; ++m_attemptsMade) {
        const bool refused = failingOpensForTesting > 0;
        if (refused)
            --failingOpensForTesting;
        if (!refused && m_file.open(QIODevice::ReadOnly)) {
            // The size is fixed here: lines the runtime adds meanwhile are
            // read by the next load.
            m_size = m_file.size();
            m_position = qBound<qint64>(0, offset, m_size);
            if (m_position > 0 && !m_file.seek(m_position))
                m_position = m_size = 0;
            return true;
        }
        if (m_attemptsMade < attempts && m_pause)
            m_pause(retryPauseMs);
    }
    m_attemptsMade = attempts;
    return false;
}

QByteArray TraceFileReader::next(qint64 maximum)
{
    if (atEnd() || !m_file.isOpen())
        return {};
    QByteArray piece = m_file.read(qMin(maximum, m_size - m_position));
    if (piece.isEmpty()) {
        m_position = m_size; // a read error ends the load with what was read
        return {};
    }
    m_position += piece.size();
    return piece;
}

} // namespace kitbox
