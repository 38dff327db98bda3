#pragma once
// The trace window's content: the file's bytes as they arrive, one row per
// line. Lines are decoded only when they are shown, so that a large trace
// costs little more than reading it.
#include <QAbstractListModel>
#include <QByteArray>
#include <QList>

namespace kitbox {

class TraceLineModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void clear();
    // Adds a piece of the file; a line cut at its end waits for the next piece.
    void append(const QByteArray &piece);
    // The file is complete: a last line without line end becomes a row.
    void finish();

    QString line(int row) const;
    // The whole text, for printing.
    QString text() const;
    qint64 bytes() const { return m_size; }

private:
    int completeLines() const { return int(m_lineStarts.size()) - 1; }
    char byteAt(qint64 position) const;
    // The bytes [start, end) of the file, which may lie in two pieces.
    QByteArray range(qint64 start, qint64 end) const;

    // The pieces are kept as they were read: no copy into one buffer, no
    // moving a large buffer as it grows.
    QList<QByteArray> m_pieces;
    QList<qint64> m_pieceStarts;
    qint64 m_size = 0;
    // Start of every line; the last entry is where the unfinished line begins.
    QList<qint64> m_lineStarts{0};
    bool m_finished = false;
};

// Files that are not valid UTF-8 are read as Latin-1.
QString decodeTraceText(QByteArrayView bytes);

} // namespace kitbox
