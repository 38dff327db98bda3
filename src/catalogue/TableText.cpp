#include "catalogue/TableText.h"

#include "catalogue/TextDecoding.h"

#include <QVarLengthArray>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>
#include <limits>

namespace kitbox {

namespace {

constexpr unsigned char kMask = 0x6B;
constexpr qsizetype kMaxBytes = std::numeric_limits<qint32>::max();

} // namespace

TableText::TableText(QByteArray utf8, int columnCount) : m_bytes(std::move(utf8)), m_columnCount(qMax(columnCount, 0))
{
    // Row starts are 32-bit; a text beyond that is cut at the last row that fits.
    m_size = m_bytes.size();
    if (m_size > kMaxBytes)
        m_size = m_bytes.lastIndexOf('\r', kMaxBytes - 1) + 1;
    const char *begin = m_bytes.constData();
    const char *end = begin + m_size;
    const char *at = begin;
    while (at < end) {
        const void *cr = std::memchr(at, '\r', size_t(end - at));
        at = cr ? static_cast<const char *>(cr) + 1 : end;
        m_rowStarts.append(qint32(at - begin));
    }
    if (m_columnCount == 0 && rowCount() > 0) {
        const QByteArrayView first = rowBytes(0);
        m_columnCount = int(first.count('\t')) + (first.endsWith('\t') || first.isEmpty() ? 0 : 1);
    }
}

TableText TableText::fromCatalogue(const JobCatalogue &catalogue, int index)
{
    if (index < 0 || index >= catalogue.tables.size())
        return {};
    const TableDescription &t = catalogue.tables.at(index);
    const QByteArrayView bytes = catalogue.tableBytes(index);
    if (bytes.isEmpty())
        return {};
    const QByteArray &area = catalogue.tableAreas.at(t.area);
    return fromScrambled(area, bytes.data() - area.constData(), bytes.size(), t.columnCount, t.rowCount);
}

TableText TableText::fromScrambled(QByteArray area, qsizetype offset, qsizetype length, int columnCount,
                                   qint64 rowCount)
{
    TableText t;
    if (columnCount <= 0 || rowCount < 0 || offset < 0 || length <= 0 || offset >= area.size())
        return t;
    t.m_bytes = std::move(area);
    t.m_begin = offset;
    t.m_size = qMin(qMin(length, t.m_bytes.size() - offset), kMaxBytes);
    t.m_scrambled = true;
    t.m_columnCount = columnCount;

    const auto *p = reinterpret_cast<const unsigned char *>(t.m_bytes.constData() + offset);
    const qsizetype n = t.m_size;
    const qint64 cellLimit = qint64(columnCount) * (rowCount + 1);
    // Rows cannot be more than the cells the bytes hold.
    t.m_rowStarts.reserve(qsizetype(qMin<qint64>(rowCount + 1, n / columnCount + 1)) + 1);
    qint64 cells = 0;
    int inRow = 0;
    qsizetype lastEnd = 0;
    // Returns false once the last cell of the table is reached.
    const auto cellEnds = [&](qsizetype pos) {
        ++cells;
        lastEnd = pos + 1;
        if (++inRow == columnCount) {
            inRow = 0;
            t.m_rowStarts.append(qint32(lastEnd));
        }
        return cells < cellLimit;
    };
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; most blocks end no row and need only their NULs counted.
    const __m128i nul = _mm_set1_epi8(char(kMask));
    for (; i + 16 <= n; i += 16) {
        quint32 mask = quint32(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), nul)));
        if (mask == 0)
            continue;
        const int count = qPopulationCount(mask);
        if (inRow + count < columnCount && cells + count < cellLimit) {
            inRow += count;
            cells += count;
            lastEnd = i + (31 - qCountLeadingZeroBits(mask)) + 1;
            continue;
        }
        for (; mask != 0; mask &= mask - 1)
            if (!cellEnds(i + qCountTrailingZeroBits(mask)))
                goto done;
    }
#endif
    for (; i < n; ++i)
        if (p[i] == kMask && !cellEnds(i))
            break;
#if defined(__SSE2__)
done:
#endif
    // A last row cut short by the end of the bytes keeps the cells it has.
    if (inRow > 0)
        t.m_rowStarts.append(qint32(lastEnd));
    return t;
}

QByteArrayView TableText::rowBytes(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const qint32 from = m_rowStarts.at(row);
    qint32 to = m_rowStarts.at(row + 1);
    if (!m_scrambled && to > from && m_bytes.at(m_begin + to - 1) == '\r')
        --to;
    return QByteArrayView(m_bytes).sliced(m_begin + from, to - from);
}

QString TableText::decode(QByteArrayView cell) const
{
    if (!m_scrambled)
        return QString::fromUtf8(cell);
    QVarLengthArray<char, 256> plain(cell.size());
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const auto b = static_cast<unsigned char>(cell[i] ^ kMask);
        plain[i] = b < 0x20 ? '\n' : char(b);
    }
    return decodeText(QByteArrayView(plain.constData(), plain.size()));
}

QString TableText::cell(int row, int column) const
{
    if (column < 0 || column >= m_columnCount)
        return {};
    QByteArrayView rest = rowBytes(row);
    const char sep = separator();
    for (int c = 0; c < column; ++c) {
        const qsizetype at = rest.indexOf(sep);
        if (at < 0)
            return {};
        rest = rest.sliced(at + 1);
    }
    const qsizetype at = rest.indexOf(sep);
    return decode(at < 0 ? rest : rest.first(at));
}

QStringList TableText::rowCells(int row) const
{
    QStringList cells;
    if (row < 0 || row >= rowCount())
        return cells;
    cells.reserve(m_columnCount);
    QByteArrayView rest = rowBytes(row);
    const char sep = separator();
    bool more = true;
    for (int c = 0; c < m_columnCount; ++c) {
        const qsizetype at = more ? rest.indexOf(sep) : -1;
        if (!more || (at < 0 && rest.isEmpty())) {
            cells.append(QString());
            more = false;
            continue;
        }
        cells.append(decode(at < 0 ? rest : rest.first(at)));
        if (at < 0)
            more = false;
        else
            rest = rest.sliced(at + 1);
    }
    return cells;
}

bool TableText::rowContains(int row, const QString &needle) const
{
    const QByteArrayView bytes = rowBytes(row);
    // Most rows are ASCII: those are searched without decoding them.
    QVarLengthArray<char, 512> plain(bytes.size());
    bool ascii = true;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (m_scrambled) {
            b ^= kMask;
            b = b == 0 ? '\t' : b < 0x20 ? '\n' : b;
        }
        ascii = ascii && b < 0x80;
        plain[i] = char(b);
    }
    const QByteArrayView view(plain.constData(), plain.size());
    if (ascii)
        return QLatin1String(view.data(), view.size()).contains(needle, Qt::CaseInsensitive);
    return (m_scrambled ? decodeText(view) : QString::fromUtf8(view)).contains(needle, Qt::CaseInsensitive);
}

qint64 TableText::memoryBytes() const
{
    return qint64(m_size) + qint64(m_rowStarts.capacity()) * qint64(sizeof(qint32));
}

} // namespace kitbox
