#include "catalogue/TableTextReader.h"

#include "catalogue/TextDecoding.h"

#include <QtEndian>

#include <array>

#include <cstring>

namespace kitbox {

namespace {

constexpr char kMask = 0x6B;

void reportControlCharacter(TableErrorLog &errors, const TableDescription &table, qint64 row, qint64 column,
                            unsigned char byte)
{
    const QString &crlf = kCrLf;
    if (!errors.flag) {
        errors.flag = true;
        errors.text += QStringLiteral("SGBD ") + errors.descriptionPath + QStringLiteral(": ") +
                       errors.texts.invalidCharacter + crlf;
    }
    errors.text += errors.texts.table + QStringLiteral(": ") + table.name + QStringLiteral("; ") + errors.texts.row +
                   QStringLiteral(": ") + QString::number(row) + QStringLiteral("; ") + errors.texts.column +
                   QStringLiteral(": ") + QString::number(column) + QStringLiteral("; ") + errors.texts.character +
                   QStringLiteral("=0x") + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
                   crlf;
}

} // namespace

QString TableTextReader::read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const
{
    const qint64 columns = table.columnCount;
    const qint64 cellLimit = columns > 0 && table.rowCount >= 0 ? columns * (qint64(table.rowCount) + 1) : 0;
    if (cellLimit == 0 || scrambled.isEmpty())
        return {};

    // One pass over the scrambled bytes: unscramble, turn NUL into TAB, add a
    // CR after each row, replace control characters. Runs of eight bytes
    // without NUL or control character are copied a word at a time.
    const auto *in = reinterpret_cast<const unsigned char *>(scrambled.data());
    const qsizetype size = scrambled.size();
    QByteArray out;
    out.resize(size + qsizetype(qMin<qint64>(table.rowCount + 1, size)) + 1);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    qsizetype committed = 0; // output length up to the last complete cell

    // Cell widths for both readings of the bytes (UTF-8, or one character per
    // byte); which one counts is known only at the end. The rule keeps the
    // widest cell not above a third of the screen, whatever the order.
    std::array<qint32, TableDescription::maxColumnIndex + 1> widthUtf8{};
    std::array<qint32, TableDescription::maxColumnIndex + 1> widthBytes{};
    qint64 unitsUtf8 = 0; // UTF-16 units of the current cell read as UTF-8
    qint64 bytes = 0;     // bytes of the current cell
    bool sawHigh = false;

    constexpr quint64 mask = 0x6B6B6B6B6B6B6B6BULL;
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    const qint64 screenWidth = m_screenWidthTwips;
    qint64 cells = 0;
    qint64 column = 0;
    qint64 rowsDone = 0;
    qsizetype i = 0;
    qsizetype w = 0;
    while (i < size && cells < cellLimit) {
        if (size - i >= 8) {
            quint64 x = qFromLittleEndian<quint64>(in + i) ^ mask;
            // Exactly the bytes below 0x20 (NUL included), marked in their top bit.
            const quint64 below = ~(((x & ~highs) + ones * 0x60) | x) & highs;
            // The bytes before the first such byte (all eight when there is none).
            const int run = below == 0 ? 8 : qCountTrailingZeroBits(below) / 8;
            if (run > 0) {
                // Room for a whole word: the output never falls behind the input by
                // more than the CRs written, and it is sized for those.
                qToLittleEndian(x, o + w);
                if (run < 8)
                    x &= (quint64(1) << (8 * run)) - 1;
                w += run;
                i += run;
                bytes += run;
                const quint64 high = x & highs;
                if (high == 0) {
                    unitsUtf8 += run;
                } else {
                    sawHigh = true;
                    const quint64 continuation = high & ~(x << 1);
                    const quint64 fourByteLead = high & (x << 1) & (x << 2) & (x << 3);
                    unitsUtf8 += run - qPopulationCount(continuation) + qPopulationCount(fourByteLead);
                }
                if (run == 8)
                    continue;
            }
        }
        const unsigned char b = in[i++] ^ 0x6B;
        if (b >= 0x20) {
            o[w++] = b;
            ++bytes;
            if (b >= 0x80) {
                sawHigh = true;
                if ((b & 0xC0) != 0x80)
                    unitsUtf8 += b >= 0xF0 ? 2 : 1;
            } else {
                ++unitsUtf8;
            }
            continue;
        }
        if (b != 0) {
            o[w++] = '\n';
            ++bytes;
            ++unitsUtf8;
            reportControlCharacter(errors, table, rowsDone, column + 1, b);
            continue;
        }
        o[w++] = '\t';
        if (column <= TableDescription::maxColumnIndex) {
            const qint64 byUtf8 = (unitsUtf8 + 1) * twipsPerCharacter;
            const qint64 byBytes = (bytes + 1) * twipsPerCharacter;
            if (byUtf8 * 3 <= screenWidth && byUtf8 > widthUtf8[size_t(column)])
                widthUtf8[size_t(column)] = qint32(byUtf8);
            if (byBytes * 3 <= screenWidth && byBytes > widthBytes[size_t(column)])
                widthBytes[size_t(column)] = qint32(byBytes);
        }
        unitsUtf8 = 0;
        bytes = 0;
        ++cells;
        if (++column == columns) {
            column = 0;
            o[w++] = '\r';
            ++rowsDone;
        }
        committed = w;
    }
    // The bytes after the last NUL do not make a cell.
    const QByteArrayView text(out.constData(), committed);
    const bool utf8 = !sawHigh || isValidUtf8(text);
    const auto &widths = utf8 ? widthUtf8 : widthBytes;
    for (size_t c = 0; c < widths.size(); ++c)
        table.columnWidth[c] = qMax(table.columnWidth[c], widths[c]);
    if (!sawHigh)
        return QString::fromLatin1(text);
    return utf8 ? QString::fromUtf8(text) : QString::fromLatin1(text);
}

} // namespace kitbox
