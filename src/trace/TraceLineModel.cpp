#include "trace/TraceLineModel.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace kitbox {

QString decodeTraceText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

int TraceLineModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const bool openLine = m_finished && m_lineStarts.last() < m_size;
    return completeLines() + (openLine ? 1 : 0);
}

QString TraceLineModel::line(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const qint64 start = m_lineStarts[row];
    qint64 end = row + 1 < m_lineStarts.size() ? m_lineStarts[row + 1] - 1 : m_size;
    if (end > start && byteAt(end - 1) == '\r')
        --end;
    return decodeTraceText(range(start, end));
}

char TraceLineModel::byteAt(qint64 position) const
{
    const qsizetype piece = std::upper_bound(m_pieceStarts.cbegin(), m_pieceStarts.cend(), position) -
                            m_pieceStarts.cbegin() - 1;
    return m_pieces[piece][position - m_pieceStarts[piece]];
}

QByteArray TraceLineModel::range(qint64 start, qint64 end) const
{
    QByteArray bytes;
    if (end <= start)
        return bytes;
    qsizetype piece = std::upper_bound(m_pieceStarts.cbegin(), m_pieceStarts.cend(), start) -
                      m_pieceStarts.cbegin() - 1;
    qint64 at = start;
    while (at < end && piece < m_pieces.size()) {
        const QByteArray &p = m_pieces[piece];
        const qint64 offset = at - m_pieceStarts[piece];
        const qint64 length = qMin<qint64>(p.size() - offset, end - at);
        if (bytes.isEmpty() && at + length == end)
            return p.sliced(offset, length); // the usual case: one piece, shared
        bytes.append(p.constData() + offset, length);
        at += length;
        ++piece;
    }
    return bytes;
}

QVariant TraceLineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return line(index.row());
}

void TraceLineModel::clear()
{
    beginResetModel();
    m_pieces.clear();
    m_pieceStarts.clear();
    m_size = 0;
    m_lineStarts = {0};
    m_finished = false;
    endResetModel();
}

void TraceLineModel::append(const QByteArray &piece)
{
    if (piece.isEmpty())
        return;
    if (m_finished) {
        // More was written after the end was reached (the follow mode): the
        // open last line becomes unfinished again.
        const int rows = rowCount();
        m_finished = false;
        if (rows > completeLines()) {
            beginRemoveRows({}, completeLines(), completeLines());
            endRemoveRows();
        }
    }
    const qint64 base = m_size;
    QList<qint64> starts;
    const char *data = piece.constData();
    const qint64 size = piece.size();
    for (qint64 from = 0; from < size;) {
        const void *found = std::memchr(data + from, '\n', size_t(size - from));
        if (!found)
            break;
        const qint64 at = static_cast<const char *>(found) - data;
        starts.append(base + at + 1);
        from = at + 1;
    }
    const int before = completeLines();
    if (!starts.isEmpty())
        beginInsertRows({}, before, before + int(starts.size()) - 1);
    m_pieces.append(piece);
    m_pieceStarts.append(base);
    m_size += piece.size();
    m_lineStarts.append(starts);
    if (!starts.isEmpty())
        endInsertRows();
}

void TraceLineModel::finish()
{
    if (m_finished)
        return;
    const bool openLine = m_lineStarts.last() < m_size;
    if (openLine)
        beginInsertRows({}, completeLines(), completeLines());
    m_finished = true;
    if (openLine)
        endInsertRows();
}

QString TraceLineModel::text() const
{
    return decodeTraceText(range(0, m_size));
}

} // namespace kitbox
