#include "catalogue/TableTextReader.h"

#include "catalogue/TextDecoding.h"

#include <QtEndian>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Per 16 bytes: the unscrambled bytes, and bit k set when byte k is a control
// character (below 0x20, NUL included) or has its top bit set.
struct Block {
    unsigned char bytes[16];
    quint32 control;
    quint32 high;
};

inline void unscrambleBlock(const unsigned char *in, Block &block)
{
#if defined(__SSE2__)
    const __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in)), _mm_set1_epi8(kMask));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(block.bytes), x);
    // Unsigned b < 0x20 as a signed comparison of b ^ 0x80 with 0x20 ^ 0x80.
    const __m128i flipped = _mm_xor_si128(x, _mm_set1_epi8(char(0x80)));
    block.control = quint32(_mm_movemask_epi8(_mm_cmplt_epi8(flipped, _mm_set1_epi8(char(0xA0)))));
    block.high = quint32(_mm_movemask_epi8(x));
#else
    block.control = 0;
    block.high = 0;
    for (int k = 0; k < 16; ++k) {
        const auto b = static_cast<unsigned char>(in[k] ^ kMask);
        block.bytes[k] = b;
        block.control |= quint32(b < 0x20) << k;
        block.high |= quint32(b >= 0x80) << k;
    }
#endif
}

} // namespace

QString TableTextReader::read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const
{
    return QString::fromUtf8(readUtf8(scrambled, table, errors));
}

QByteArray TableTextReader::readUtf8(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const
{
    const qint64 columns = table.columnCount;
    const qint64 cellLimit = columns > 0 && table.rowCount >= 0 ? columns * (qint64(table.rowCount) + 1) : 0;
    if (cellLimit == 0 || scrambled.isEmpty())
        return {};

    // One pass over the scrambled bytes, sixteen at a time: unscramble, turn
    // NUL into TAB, add a CR after each row, replace control characters. Only
    // the control characters (about one per cell) are looked at one by one.
    const auto *in = reinterpret_cast<const unsigned char *>(scrambled.data());
    const qsizetype size = scrambled.size();
    QByteArray out;
    // Room for the CRs and for whole blocks written past the end.
    out.resize(size + qsizetype(qMin<qint64>(table.rowCount + 1, size)) + 48);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    qsizetype committed = 0; // output length up to the last complete cell

    // Cell widths for both readings of the bytes (UTF-8, or one character per
    // byte); which one counts is known only at the end. The rule keeps the
    // widest cell not above a third of the screen, whatever the order. A
    // cell's UTF-16 length read as UTF-8 is its byte count, less its
    // continuation bytes, plus one for each four-byte lead.
    std::array<qint32, TableDescription::maxColumnIndex + 1> widthUtf8{};
    std::array<qint32, TableDescription::maxColumnIndex + 1> widthBytes{};
    qint64 bytes = 0;  // bytes of the current cell
    qint64 adjust = 0; // its UTF-16 units read as UTF-8, minus bytes
    bool sawHigh = false;

    const qint64 screenWidth = m_screenWidthTwips;
    qint64 cells = 0;
    qint64 column = 0;
    qint64 rowsDone = 0;
    // Closes the current cell at its NUL; true when that ends a row.
    const auto endCell = [&]() {
        if (column <= TableDescription::maxColumnIndex) {
            const qint64 byUtf8 = (bytes + adjust + 1) * twipsPerCharacter;
            const qint64 byBytes = (bytes + 1) * twipsPerCharacter;
            if (byUtf8 * 3 <= screenWidth && byUtf8 > widthUtf8[size_t(column)])
                widthUtf8[size_t(column)] = qint32(byUtf8);
            if (byBytes * 3 <= screenWidth && byBytes > widthBytes[size_t(column)])
                widthBytes[size_t(column)] = qint32(byBytes);
        }
        bytes = 0;
        adjust = 0;
        ++cells;
        if (++column < columns)
            return false;
        column = 0;
        ++rowsDone;
        return true;
    };

    qsizetype i = 0;
    qsizetype w = 0;
    bool stopped = false;
    while (size - i >= 16 && !stopped) {
        Block block;
        unscrambleBlock(in + i, block);
        std::memcpy(o + w, block.bytes, 16);
        quint32 continuation = 0;
        quint32 fourByteLead = 0;
        if (block.high != 0) {
            sawHigh = true;
            for (int k = 0; k < 16; ++k) {
                continuation |= quint32((block.bytes[k] & 0xC0) == 0x80) << k;
                fourByteLead |= quint32(block.bytes[k] >= 0xF0) << k;
            }
        }
        // o[base + k] is byte k of the block; each CR moves the rest up by one.
        qsizetype base = w;
        int from = 0; // first byte of the block not yet counted
        const auto count = [&](int to) {
            bytes += to - from;
            if (block.high != 0) {
                const quint32 range = ((1u << to) - 1) & ~((1u << from) - 1);
                adjust +=
                    qint64(qPopulationCount(fourByteLead & range)) - qint64(qPopulationCount(continuation & range));
            }
            from = to;
        };
        for (quint32 rest = block.control; rest != 0; rest &= rest - 1) {
            const int p = int(qCountTrailingZeroBits(rest));
            count(p);
            const unsigned char b = block.bytes[p];
            if (b != 0) {
                o[base + p] = '\n';
                count(p + 1);
                reportControlCharacter(errors, table, rowsDone, column + 1, b);
                continue;
            }
            o[base + p] = '\t';
            from = p + 1;
            if (endCell()) {
                unsigned char tail[16];
                std::memcpy(tail, o + base + p + 1, 16);
                std::memcpy(o + base + p + 2, tail, 16);
                o[base + p + 1] = '\r';
                ++base;
            }
            committed = base + p + 1;
            if (cells == cellLimit) {
                stopped = true;
                break;
            }
        }
        if (!stopped)
            count(16);
        i += 16;
        w = base + 16;
    }

    // The last few bytes one at a time.
    while (!stopped && i < size && cells < cellLimit) {
        const unsigned char b = in[i++] ^ kMask;
        if (b >= 0x20) {
            o[w++] = b;
            ++bytes;
            if (b >= 0x80) {
                sawHigh = true;
                if ((b & 0xC0) == 0x80)
                    --adjust;
                else if (b >= 0xF0)
                    ++adjust;
            }
            continue;
        }
        if (b != 0) {
            o[w++] = '\n';
            ++bytes;
            reportControlCharacter(errors, table, rowsDone, column + 1, b);
            continue;
        }
        o[w++] = '\t';
        if (endCell())
            o[w++] = '\r';
        committed = w;
    }

    // The bytes after the last NUL do not make a cell.
    out.resize(committed);
    const bool utf8 = !sawHigh || isValidUtf8(out);
    const auto &widths = utf8 ? widthUtf8 : widthBytes;
    for (size_t c = 0; c < widths.size(); ++c)
        table.columnWidth[c] = qMax(table.columnWidth[c], widths[c]);
    if (utf8)
        return out;
    // Bytes that are not UTF-8 are one character each.
    return QString::fromLatin1(out).toUtf8();
}

} // namespace kitbox
