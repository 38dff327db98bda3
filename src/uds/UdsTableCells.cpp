#include "uds/UdsTableCells.h"

#include "catalogue/JobCatalogue.h"
#include "catalogue/TextDecoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <limits>

namespace kitbox {

namespace {

constexpr unsigned char kMask = 0x6B; // the scrambling of every stored byte; a cell ends at a scrambled NUL
// Cell positions are 32-bit, as the table text's row starts are; a table beyond that is cut.
constexpr qsizetype kMaxBytes = std::numeric_limits<qint32>::max();

// A cell's bytes as plain text: control characters read as line feeds.
inline unsigned char plainByte(char scrambled)
{
    const auto b = static_cast<unsigned char>(static_cast<unsigned char>(scrambled) ^ kMask);
    return b < 0x20 ? '\n' : b;
}

// The ASCII part of trimming: blanks and the line feeds that control characters became.
inline bool isBlank(unsigned char plain)
{
    return plain <= 0x20;
}

bool isAsciiCell(QByteArrayView scrambled)
{
    unsigned char any = 0;
    for (const char c : scrambled)
        any |= static_cast<unsigned char>(c) ^ kMask;
    return any < 0x80;
}

// The slow path for cells with bytes beyond ASCII: whatever Unicode counts
// as blank is trimmed, and letters change case as QString changes them.
QString decodedCell(QByteArrayView scrambled, UdsTableCells::Case letterCase)
{
    QVarLengthArray<char, 256> plain(scrambled.size());
    for (qsizetype i = 0; i < scrambled.size(); ++i)
        plain[i] = char(plainByte(scrambled[i]));
    QString text = decodeText(QByteArrayView(plain.constData(), plain.size())).trimmed();
    switch (letterCase) {
    case UdsTableCells::Case::Upper:
        return std::move(text).toUpper();
    case UdsTableCells::Case::Lower:
        return std::move(text).toLower();
    case UdsTableCells::Case::Keep:
        break;
    }
    return text;
}

// How many terminators bytes hold, counted up to limit (the count may pass limit by a few blocks).
qint64 countTerminators(QByteArrayView bytes, qint64 limit)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qint64 count = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    // Byte lanes count their matches (a match is -1, so subtracting adds one);
    // they are summed before any lane can pass 255.
    const __m128i terminator = _mm_set1_epi8(char(kMask));
    while (i + 16 <= n && count < limit) {
        __m128i lanes = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16)
            lanes = _mm_sub_epi8(lanes,
                                 _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), terminator));
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    }
#endif
    for (; i < n && count < limit; ++i)
        count += p[i] == kMask;
    return count;
}

// Writes the positions of at most count terminators of bytes to ends (which holds count); returns how many.
qsizetype findTerminators(QByteArrayView bytes, qsizetype count, qint32 *ends)
{
    qint32 *const begin = ends;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qint32 *const last = ends + count;
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i terminator = _mm_set1_epi8(char(kMask));
    const auto block = [&](qsizetype at) {
        return quint32(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + at)), terminator)));
    };
    // While sixteen more positions fit, a block is written without looking for the last one.
    for (; i + 16 <= n && last - ends >= 16; i += 16)
        for (quint32 mask = block(i); mask != 0; mask &= mask - 1)
            *ends++ = qint32(i + qCountTrailingZeroBits(mask));
    for (; i + 16 <= n && ends != last; i += 16)
        for (quint32 mask = block(i); mask != 0 && ends != last; mask &= mask - 1)
            *ends++ = qint32(i + qCountTrailingZeroBits(mask));
#endif
    for (; i < n && ends != last; ++i)
        if (p[i] == kMask)
            *ends++ = qint32(i);
    return ends - begin;
}

} // namespace

UdsTableCells::UdsTableCells(const JobCatalogue &catalogue, int index)
{
    if (index < 0 || index >= catalogue.tables.size())
        return;
    m_index = index;
    const TableDescription &t = catalogue.tables.at(index);
    const QByteArrayView bytes = catalogue.tableBytes(index);
    if (bytes.isEmpty() || t.columnCount <= 0 || t.rowCount < 0)
        return;
    m_bytes = bytes.first(qMin(bytes.size(), kMaxBytes));
    m_columnCount = t.columnCount;

    // At most columnCount x (rowCount + 1) cells; bytes after the last
    // terminator are no cell. A table that fits the inline storage at its
    // largest is read in one pass; a larger one is counted first, so that
    // the second pass writes the positions into storage of the right size.
    const qint64 limit = qint64(t.columnCount) * (qint64(t.rowCount) + 1);
    if (limit <= m_ends.capacity()) {
        m_ends.resize(qsizetype(limit));
        m_ends.resize(findTerminators(m_bytes, m_ends.size(), m_ends.data()));
        return;
    }
    m_ends.resize(qsizetype(qMin(countTerminators(m_bytes, limit), limit)));
    findTerminators(m_bytes, m_ends.size(), m_ends.data());
}

int UdsTableCells::column(QLatin1StringView name) const
{
    for (int c = 0; c < m_columnCount; ++c) {
        const QByteArrayView cell = cellBytes(0, c);
        if (!isAsciiCell(cell)) {
            if (decodedCell(cell, Case::Upper) == name)
                return c;
            continue;
        }
        qsizetype b = 0;
        qsizetype e = cell.size();
        while (b < e && isBlank(plainByte(cell[b])))
            ++b;
        while (e > b && isBlank(plainByte(cell[e - 1])))
            --e;
        if (e - b != name.size())
            continue;
        qsizetype k = 0;
        for (; k < name.size(); ++k) {
            unsigned char ch = plainByte(cell[b + k]);
            if (ch >= 'a' && ch <= 'z')
                ch -= 'a' - 'A';
            if (ch != static_cast<unsigned char>(name[k].toLatin1()))
                break;
        }
        if (k == name.size())
            return c;
    }
    return -1;
}

const QString &UdsTableCells::read(int row, int column, Case letterCase, QString &text) const
{
    const QByteArrayView cell = cellBytes(row, column);
    const auto *p = reinterpret_cast<const unsigned char *>(cell.data());
    qsizetype b = 0;
    qsizetype e = cell.size();
    // Bytes beyond ASCII are no blank here, so trimming stops at them and the slow path sees them.
    while (b < e && isBlank(plainByte(char(p[b]))))
        ++b;
    while (e > b && isBlank(plainByte(char(p[e - 1]))))
        --e;
    // Keeps the text's storage when the caller owns it alone, so a buffer reused from row to row is not reallocated.
    if (text.size() != e - b)
        text.resize(e - b);
    if (e == b)
        return text;
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    unsigned char any = 0;
    qsizetype k = b;
#if defined(__SSE2__)
    // Eight characters at a time: descrambled, control characters as line
    // feeds, letters in the case asked for, widened to UTF-16. Bytes beyond
    // ASCII compare as negative, so they stay as they are and are caught below.
    if (e - k >= 8) {
        const __m128i mask = _mm_set1_epi8(char(kMask));
        const __m128i blank = _mm_set1_epi8(0x20);
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const char low = letterCase == Case::Upper ? 'a' : 'A';
        const __m128i below = _mm_set1_epi8(char(low - 1));
        const __m128i above = _mm_set1_epi8(char(low + 26));
        const __m128i caseBit = _mm_set1_epi8(letterCase == Case::Keep ? 0 : 0x20);
        __m128i seen = _mm_setzero_si128();
        for (; k + 8 <= e; k += 8, out += 8) {
            __m128i c = _mm_xor_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p + k)), mask);
            seen = _mm_or_si128(seen, c);
            // Signed compare: only 0..0x1F are below a blank among ASCII bytes.
            const __m128i control = _mm_andnot_si128(_mm_cmplt_epi8(c, _mm_setzero_si128()), _mm_cmplt_epi8(c, blank));
            c = _mm_or_si128(_mm_and_si128(control, lineFeed), _mm_andnot_si128(control, c));
            const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(c, below), _mm_cmplt_epi8(c, above));
            c = _mm_xor_si128(c, _mm_and_si128(letter, caseBit));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(c, _mm_setzero_si128()));
        }
        any = static_cast<unsigned char>(_mm_movemask_epi8(seen) ? 0x80 : 0);
    }
#endif
    const auto convert = [&](auto changeCase) {
        for (; k < e; ++k) {
            const unsigned char ch = plainByte(char(p[k]));
            any |= ch;
            *out++ = changeCase(ch);
        }
    };
    switch (letterCase) {
    case Case::Upper:
        convert([](unsigned char ch) { return char16_t(ch >= 'a' && ch <= 'z' ? ch - ('a' - 'A') : ch); });
        break;
    case Case::Lower:
        convert([](unsigned char ch) { return char16_t(ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch); });
        break;
    case Case::Keep:
        convert([](unsigned char ch) { return char16_t(ch); });
        break;
    }
    if (any >= 0x80)
        text = decodedCell(cell, letterCase);
    return text;
}

QString UdsTableCells::cell(int row, int column, Case letterCase) const
{
    QString text;
    read(row, column, letterCase, text);
    return text;
}

} // namespace kitbox
