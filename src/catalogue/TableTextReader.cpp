#include "catalogue/TableTextReader.h"

#include "catalogue/TextDecoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>

namespace kitbox {

namespace {

constexpr unsigned char kMask = 0x6B;

void reportControlCharacter(QString &findings, const TableErrorTexts &texts, const TableDescription &table, qint64 row,
                            qint64 column, unsigned char byte)
{
    findings += texts.table + QStringLiteral(": ") + table.name + QStringLiteral("; ") + texts.row +
                QStringLiteral(": ") + QString::number(row) + QStringLiteral("; ") + texts.column +
                QStringLiteral(": ") + QString::number(column) + QStringLiteral("; ") + texts.character +
                QStringLiteral("=0x") + QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')) + kCrLf;
}

qint64 cellLimitOf(const TableDescription &table)
{
    return table.columnCount > 0 && table.rowCount >= 0 ? qint64(table.columnCount) * (qint64(table.rowCount) + 1) : 0;
}

// Sixteen scrambled bytes classified once unscrambled: bit k of each mask
// stands for byte k.
struct BlockMasks {
    quint32 nul = 0;          // ends a cell
    quint32 special = 0;      // below 0x20: NUL, or a control character
    quint32 high = 0;         // top bit set
    quint32 continuation = 0; // 10xxxxxx (only when high != 0)
    quint32 fourByteLead = 0; // 0xF0 and above (only when high != 0)
};

inline BlockMasks classifyBlock(const unsigned char *in)
{
    BlockMasks m;
#if defined(__SSE2__)
    const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
    const __m128i x = _mm_xor_si128(raw, _mm_set1_epi8(char(kMask)));
    m.nul = quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(raw, _mm_set1_epi8(char(kMask)))));
    // Unsigned comparisons as signed ones on the bytes with their top bit flipped.
    const __m128i flipped = _mm_xor_si128(x, _mm_set1_epi8(char(0x80)));
    m.special = quint32(_mm_movemask_epi8(_mm_cmplt_epi8(flipped, _mm_set1_epi8(char(0x20 ^ 0x80)))));
    m.high = quint32(_mm_movemask_epi8(x));
    if (m.high != 0) {
        m.continuation = quint32(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(x, _mm_set1_epi8(char(0xC0))), _mm_set1_epi8(char(0x80)))));
        m.fourByteLead = quint32(_mm_movemask_epi8(_mm_cmpgt_epi8(flipped, _mm_set1_epi8(char((0xF0 ^ 0x80) - 1)))));
    }
#else
    for (int k = 0; k < 16; ++k) {
        const auto b = static_cast<unsigned char>(in[k] ^ kMask);
        m.nul |= quint32(b == 0) << k;
        m.special |= quint32(b < 0x20) << k;
        m.high |= quint32(b >= 0x80) << k;
        m.continuation |= quint32((b & 0xC0) == 0x80) << k;
        m.fourByteLead |= quint32(b >= 0xF0) << k;
    }
#endif
    return m;
}

// Bits set in a 16-bit mask, without relying on a population-count instruction.
constexpr std::array<quint8, 256> kBitsInByte = [] {
    std::array<quint8, 256> bits{};
    for (int v = 0; v < 256; ++v)
        bits[size_t(v)] = quint8((v & 1) + (v >> 1 & 1) + (v >> 2 & 1) + (v >> 3 & 1) + (v >> 4 & 1) + (v >> 5 & 1) +
                                 (v >> 6 & 1) + (v >> 7 & 1));
    return bits;
}();

inline int bitsIn16(quint32 mask)
{
    return kBitsInByte[mask & 0xFF] + kBitsInByte[(mask >> 8) & 0xFF];
}

// A window of plain text (no control character, no byte with its top bit
// set) needs only the positions of its NULs. Each version writes them to
// out (as offset + position), up to sixteen entries past the last one, and
// return their number, or -1 when the window is not plain. size is a
// multiple of 64.
int plainWindowNulsGeneric(const unsigned char *in, qsizetype size, qint32 offset, qint32 *out)
{
    int n = 0;
    quint32 odd = 0;
    for (qsizetype i = 0; i < size; i += 16) {
        const BlockMasks m = classifyBlock(in + i);
        odd |= (m.special & ~m.nul) | m.high;
        quint32 rest = m.nul;
        const int count = bitsIn16(rest);
        const qint32 at = offset + qint32(i);
        // Most blocks hold one NUL or none: two positions are written
        // whatever the count, a loop runs only beyond that.
        out[n] = at + qint32(qCountTrailingZeroBits(rest));
        rest &= rest - 1;
        out[n + 1] = at + qint32(qCountTrailingZeroBits(rest));
        for (int k = 2; k < count; ++k) {
            rest &= rest - 1;
            out[n + k] = at + qint32(qCountTrailingZeroBits(rest));
        }
        n += count;
    }
    return odd == 0 ? n : -1;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KITBOX_TABLE_SCAN_AVX2 1
__attribute__((target("avx2,popcnt,bmi"))) int plainWindowNulsAvx2(const unsigned char *in, qsizetype size,
                                                                   qint32 offset, qint32 *out)
{
    const __m256i mask = _mm256_set1_epi8(char(kMask));
    const __m256i topBit = _mm256_set1_epi8(char(0x80));
    const __m256i controlBound = _mm256_set1_epi8(char(0x20 ^ 0x80));
    __m256i odd = _mm256_setzero_si256();
    int n = 0;
    for (qsizetype i = 0; i < size; i += 32) {
        const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + i));
        const __m256i nul = _mm256_cmpeq_epi8(raw, mask);
        const __m256i x = _mm256_xor_si256(raw, mask);
        const __m256i below = _mm256_cmpgt_epi8(controlBound, _mm256_xor_si256(x, topBit));
        // Control characters are below 0x20 and not NUL; x's own top bit marks the high bytes.
        odd = _mm256_or_si256(odd, _mm256_or_si256(_mm256_andnot_si256(nul, below), x));
        quint32 rest = quint32(_mm256_movemask_epi8(nul));
        const int count = _mm_popcnt_u32(rest);
        const qint32 at = offset + qint32(i);
        out[n] = at + qint32(_tzcnt_u32(rest));
        rest = _blsr_u32(rest);
        out[n + 1] = at + qint32(_tzcnt_u32(rest));
        for (int k = 2; k < count; ++k) {
            rest = _blsr_u32(rest);
            out[n + k] = at + qint32(_tzcnt_u32(rest));
        }
        n += count;
    }
    return _mm256_movemask_epi8(odd) == 0 ? n : -1;
}

// Sixty-four bytes at a time where the processor has the byte-mask
// instructions; size must then be a multiple of 64.
__attribute__((target("avx512f,avx512bw,popcnt,bmi,bmi2"))) int
plainWindowNulsAvx512(const unsigned char *in, qsizetype size, qint32 offset, qint32 *out)
{
    const __m512i mask = _mm512_set1_epi8(char(kMask));
    const __m512i controlBound = _mm512_set1_epi8(0x20);
    __mmask64 odd = 0;
    int n = 0;
    for (qsizetype i = 0; i < size; i += 64) {
        const __m512i raw = _mm512_loadu_si512(in + i);
        const __m512i x = _mm512_xor_si512(raw, mask);
        const __mmask64 nul = _mm512_cmpeq_epi8_mask(raw, mask);
        // Control characters are below 0x20 and not NUL; high bytes have their top bit set.
        odd |= (_mm512_cmplt_epu8_mask(x, controlBound) & ~nul) | _mm512_movepi8_mask(x);
        quint64 rest = nul;
        const int count = int(_mm_popcnt_u64(rest));
        const qint32 at = offset + qint32(i);
        out[n] = at + qint32(_tzcnt_u64(rest));
        rest = _blsr_u64(rest);
        out[n + 1] = at + qint32(_tzcnt_u64(rest));
        rest = _blsr_u64(rest);
        out[n + 2] = at + qint32(_tzcnt_u64(rest));
        rest = _blsr_u64(rest);
        out[n + 3] = at + qint32(_tzcnt_u64(rest));
        rest = _blsr_u64(rest);
        out[n + 4] = at + qint32(_tzcnt_u64(rest));
        rest = _blsr_u64(rest);
        out[n + 5] = at + qint32(_tzcnt_u64(rest));
        for (int k = 6; k < count; ++k) {
            rest = _blsr_u64(rest);
            out[n + k] = at + qint32(_tzcnt_u64(rest));
        }
        n += count;
    }
    return odd == 0 ? n : -1;
}

// Sixteen of the packed byte positions (part 0 to 3), widened and placed
// after the block's offset. The zero-masked forms are used: the plain ones
// start from an undefined register, which the compiler warns about.
template <int Part>
__attribute__((target("avx512f,avx512bw,avx512vbmi2"))) inline void storePositions(qint32 *out, __m512i packed,
                                                                                   __m512i at)
{
    const __m128i part = _mm512_maskz_extracti32x4_epi32(0xF, packed, Part);
    _mm512_storeu_si512(out, _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, part), at));
}

// With byte compression the NULs' positions are packed to the front of a
// register and widened sixteen at a time, without a loop over the mask; up
// to sixteen entries past the last one are written.
__attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt"))) int
plainWindowNulsAvx512Vbmi2(const unsigned char *in, qsizetype size, qint32 offset, qint32 *out)
{
    const __m512i mask = _mm512_set1_epi8(char(kMask));
    const __m512i space = _mm512_set1_epi8(0x20);
    const __m512i positions =
        _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41, 40,
                        39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16,
                        15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    // The smallest byte (a NUL counted as a space) and the largest: the
    // window is plain when neither lies outside 0x20 to 0x7F.
    __m512i lowest = space;
    __m512i highest = space;
    int n = 0;
    for (qsizetype i = 0; i < size; i += 64) {
        const __m512i raw = _mm512_loadu_si512(in + i);
        const __m512i x = _mm512_xor_si512(raw, mask);
        const __mmask64 nul = _mm512_cmpeq_epi8_mask(raw, mask);
        lowest = _mm512_min_epu8(lowest, _mm512_mask_mov_epi8(x, nul, space));
        highest = _mm512_max_epu8(highest, x);
        const __m512i packed = _mm512_maskz_compress_epi8(nul, positions);
        const __m512i at = _mm512_set1_epi32(offset + qint32(i));
        const int count = int(_mm_popcnt_u64(nul));
        storePositions<0>(out + n, packed, at);
        if (count > 16)
            storePositions<1>(out + n + 16, packed, at);
        if (count > 32)
            storePositions<2>(out + n + 32, packed, at);
        if (count > 48)
            storePositions<3>(out + n + 48, packed, at);
        n += count;
    }
    const __mmask64 odd = _mm512_cmplt_epu8_mask(lowest, space) | _mm512_movepi8_mask(highest);
    return odd == 0 ? n : -1;
}
#endif

bool kernelSupported(TableTextReader::ScanKernel kernel)
{
    switch (kernel) {
    case TableTextReader::ScanKernel::Generic:
        return true;
#if defined(KITBOX_TABLE_SCAN_AVX2)
    case TableTextReader::ScanKernel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi");
    case TableTextReader::ScanKernel::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    case TableTextReader::ScanKernel::Avx512Vbmi2:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("popcnt");
#else
    default:
        return false;
#endif
    }
    return false;
}

std::atomic<TableTextReader::ScanKernel> &chosenKernel()
{
    static std::atomic<TableTextReader::ScanKernel> kernel = [] {
        for (const auto k : {TableTextReader::ScanKernel::Avx512Vbmi2, TableTextReader::ScanKernel::Avx512,
                             TableTextReader::ScanKernel::Avx2})
            if (kernelSupported(k))
                return k;
        return TableTextReader::ScanKernel::Generic;
    }();
    return kernel;
}

int plainWindowNuls(const unsigned char *in, qsizetype size, qint32 offset, qint32 *out)
{
    switch (chosenKernel().load(std::memory_order_relaxed)) {
#if defined(KITBOX_TABLE_SCAN_AVX2)
    case TableTextReader::ScanKernel::Avx512Vbmi2:
        return plainWindowNulsAvx512Vbmi2(in, size, offset, out);
    case TableTextReader::ScanKernel::Avx512:
        return plainWindowNulsAvx512(in, size, offset, out);
    case TableTextReader::ScanKernel::Avx2:
        return plainWindowNulsAvx2(in, size, offset, out);
#endif
    default:
        return plainWindowNulsGeneric(in, size, offset, out);
    }
}

// Plain cells sixteen at a time: lane i keeps the widest of the cells
// k + i, k + i + laneCells, ... (as characters + 1), counting only lanes
// below laneCells and widths up to mostUnits. nulAt[k - 1] must be where
// the cell before k ended; the cells taken end before plainEnd. Returns
// the first cell not taken. One version for each instruction set.
constexpr int lanes = 16;
using LaneWidths = std::array<qint32, lanes>;

// Inlined into each version below and vectorised for its instructions.
[[gnu::always_inline]] inline int laneWidthsLoop(const qint32 *nulAt, int k, int plainEnd, int laneCells,
                                                 qint32 mostUnits, LaneWidths &most)
{
    LaneWidths widest = most; // a local copy: nothing else can change it
    for (; plainEnd - k >= lanes; k += laneCells) {
        for (int i = 0; i < lanes; ++i) {
            const qint32 units = nulAt[k + i] - nulAt[k + i - 1];
            const qint32 counted = i < laneCells && units <= mostUnits ? units : 0;
            widest[size_t(i)] = qMax(widest[size_t(i)], counted);
        }
    }
    most = widest;
    return k;
}

int laneWidthsGeneric(const qint32 *nulAt, int k, int plainEnd, int laneCells, qint32 mostUnits, LaneWidths &most)
{
    return laneWidthsLoop(nulAt, k, plainEnd, laneCells, mostUnits, most);
}

#if defined(KITBOX_TABLE_SCAN_AVX2)
__attribute__((target("avx2"))) int laneWidthsAvx2(const qint32 *nulAt, int k, int plainEnd, int laneCells,
                                                   qint32 mostUnits, LaneWidths &most)
{
    return laneWidthsLoop(nulAt, k, plainEnd, laneCells, mostUnits, most);
}

__attribute__((target("avx512f,avx512bw"))) int laneWidthsAvx512(const qint32 *nulAt, int k, int plainEnd,
                                                                 int laneCells, qint32 mostUnits, LaneWidths &most)
{
    return laneWidthsLoop(nulAt, k, plainEnd, laneCells, mostUnits, most);
}
#endif

int laneWidths(const qint32 *nulAt, int k, int plainEnd, int laneCells, qint32 mostUnits, LaneWidths &most)
{
    switch (chosenKernel().load(std::memory_order_relaxed)) {
#if defined(KITBOX_TABLE_SCAN_AVX2)
    case TableTextReader::ScanKernel::Avx512Vbmi2:
    case TableTextReader::ScanKernel::Avx512:
        return laneWidthsAvx512(nulAt, k, plainEnd, laneCells, mostUnits, most);
    case TableTextReader::ScanKernel::Avx2:
        return laneWidthsAvx2(nulAt, k, plainEnd, laneCells, mostUnits, most);
#endif
    default:
        return laneWidthsGeneric(nulAt, k, plainEnd, laneCells, mostUnits, most);
    }
}

// Widest cells per column while measuring, as characters + 1 (0: none yet).
using ColumnWidths = std::array<qint64, TableDescription::maxColumnIndex + 1>;

inline void widen(ColumnWidths &widths, qint64 column, qint64 characters, qint64 mostUnits)
{
    const qint64 units = characters + 1;
    if (units <= mostUnits && units > widths[size_t(column)])
        widths[size_t(column)] = units;
}

} // namespace

void TableTextReader::scan(QByteArrayView scrambled, TableDescription &table, const TableErrorTexts &texts,
                           QString &findings) const
{
    const qint64 columns = table.columnCount;
    const qint64 cellLimit = cellLimitOf(table);
    if (cellLimit == 0 || scrambled.isEmpty())
        return;

    // A cell is as wide as its characters, which depends on whether the taken
    // bytes are UTF-8 as a whole, known only at the end. Read as UTF-8, a
    // cell's UTF-16 length is its byte count, less its continuation bytes,
    // plus one for each four-byte lead: "adjust" keeps a running sum of that
    // difference, and a cell's share comes by subtraction. Cells whose share
    // is 0 are equally wide either way and go into the common widths.
    // Only the columns the table has are looked at (most tables have a few),
    // so only those are cleared.
    const size_t used = size_t(qMin<qint64>(columns, TableDescription::maxColumnIndex + 1));
    ColumnWidths common;
    ColumnWidths utf8Only;
    ColumnWidths bytesOnly;
    for (ColumnWidths *widths : {&common, &utf8Only, &bytesOnly})
        std::fill_n(widths->begin(), used, qint64(0));
    // A width is recorded when it is not above a third of the screen.
    const qint64 mostUnits = qint64(m_screenWidthTwips) / (3 * twipsPerCharacter);

    const auto *in = reinterpret_cast<const unsigned char *>(scrambled.data());
    const qsizetype size = scrambled.size();
    qint64 cells = 0;
    qint64 column = 0;
    qsizetype cellStart = 0;
    qsizetype committed = 0; // bytes up to and including the last NUL taken
    qsizetype firstHigh = -1;
    qint64 adjust = 0; // the running sum before the current block or byte
    qint64 adjustAtCellStart = 0;

    // The table goes by windows: first the NULs of a window are found (with
    // the running sum at each), many bytes at a time and mostly without
    // branches; then its cells are measured in one simple loop.
    // Sixteen kilobytes: most tables fit one, so that a window's setup and
    // its last few cells taken one by one come about once per table. Its
    // lists below take some 200 KB of stack.
    constexpr qsizetype window = 16384;
    // nulAt[-1] is where the cell before a window's first NUL would have
    // ended: differences of neighbouring entries are then cell widths + 1.
    qint32 nulAtWithBefore[window + 64 + 1];
    qint32 *const nulAt = nulAtWithBefore + 1;
    qint64 adjustAt[window + 64];
    // Sixteen cells at a time, laneCells of which count: a whole number of
    // rows, so that lane i always stands for the same column.
    const int laneCells = columns <= lanes ? int(lanes / columns * columns) : 0;
    const qint32 mostLaneUnits = qint32(qMin<qint64>(mostUnits, INT32_MAX));
    const auto controlCharacter = [&](qint64 cellsBefore, unsigned char byte) {
        // Characters after the last cell taken are not looked at.
        if (cellsBefore < cellLimit)
            reportControlCharacter(findings, texts, table, cellsBefore / columns, cellsBefore % columns + 1, byte);
    };

    for (qsizetype from = 0; from < size && cells < cellLimit; from += window) {
        const qsizetype to = qMin(size, from + window);
        qsizetype i = from;
        // Plain NULs (before plainCount) share the running sum as it was on entering the window.
        const qint64 plainAdjust = adjust;
        int n = plainWindowNuls(in + from, (to - from) & ~qsizetype(63), 0, nulAt);
        int plainCount = 0;
        if (n >= 0) {
            plainCount = n;
            i = from + ((to - from) & ~qsizetype(63));
        } else {
            n = 0;
        }
        for (; to - i >= 16 && cells + n < cellLimit; i += 16) {
            const BlockMasks m = classifyBlock(in + i);
            const int offset = int(i - from);
            if (m.high != 0 && firstHigh < 0)
                firstHigh = i + qCountTrailingZeroBits(m.high);
            for (quint32 rest = m.special; rest != 0; rest &= rest - 1) {
                const int p = int(qCountTrailingZeroBits(rest));
                if ((m.nul >> p & 1) == 0) {
                    controlCharacter(cells + n, static_cast<unsigned char>(in[i + p] ^ kMask));
                    continue;
                }
                qint64 at = adjust;
                if (m.high != 0) {
                    const quint32 before = (1u << p) - 1;
                    at += qint64(bitsIn16(m.fourByteLead & before)) - qint64(bitsIn16(m.continuation & before));
                }
                nulAt[n] = offset + p;
                adjustAt[n] = at;
                ++n;
            }
            if (m.high != 0)
                adjust += qint64(bitsIn16(m.fourByteLead)) - qint64(bitsIn16(m.continuation));
        }
        // The last few bytes of the table one at a time.
        for (; i < to && cells + n < cellLimit; ++i) {
            const auto b = static_cast<unsigned char>(in[i] ^ kMask);
            if (b >= 0x80) {
                if (firstHigh < 0)
                    firstHigh = i;
                if ((b & 0xC0) == 0x80)
                    --adjust;
                else if (b >= 0xF0)
                    ++adjust;
            } else if (b == 0) {
                nulAt[n] = int(i - from);
                adjustAt[n] = adjust;
                ++n;
            } else if (b < 0x20) {
                controlCharacter(cells + n, b);
            }
        }

        const int take = int(qMin<qint64>(n, cellLimit - cells));
        int k = 0;
        if (columns <= TableDescription::maxColumnIndex + 1) {
            // The common case in its simplest form: plain cells that began in
            // this window, every column recorded.
            if (k < plainCount && k < take && adjustAtCellStart == plainAdjust) {
                const int plainEnd = qMin(plainCount, take);
                qsizetype start = cellStart;
                qint64 c = column;
                if (laneCells > 0 && plainEnd - k >= lanes) {
                    nulAt[-1] = qint32(start - from - 1);
                    LaneWidths most{};
                    k = laneWidths(nulAt, k, plainEnd, laneCells, mostLaneUnits, most);
                    for (int i = 0, laneColumn = int(c); i < laneCells; ++i) {
                        qint64 &width = common[size_t(laneColumn)];
                        width = qMax<qint64>(width, most[size_t(i)]);
                        if (++laneColumn == columns)
                            laneColumn = 0;
                    }
                    start = from + nulAt[k - 1] + 1;
                }
                for (; k < plainEnd; ++k) {
                    const qsizetype nul = from + nulAt[k];
                    widen(common, c, nul - start, mostUnits);
                    start = nul + 1;
                    if (++c == columns)
                        c = 0;
                }
                cellStart = start;
                column = c;
            }
        }
        for (; k < take; ++k) {
            const qsizetype nul = from + nulAt[k];
            const qint64 at = k < plainCount ? plainAdjust : adjustAt[k];
            const qint64 bytes = nul - cellStart;
            const qint64 share = at - adjustAtCellStart;
            if (column <= TableDescription::maxColumnIndex) {
                if (share == 0) {
                    widen(common, column, bytes, mostUnits);
                } else {
                    widen(utf8Only, column, bytes + share, mostUnits);
                    widen(bytesOnly, column, bytes, mostUnits);
                }
            }
            cellStart = nul + 1;
            adjustAtCellStart = at;
            if (++column == columns)
                column = 0;
        }
        if (take > 0) {
            cells += take;
            committed = cellStart;
        }
    }

    // The taken bytes are UTF-8 or not as a whole; replacing control
    // characters by LF and adding CRs after TABs keeps that as it is.
    bool utf8 = true;
    if (firstHigh >= 0 && firstHigh < committed) {
        QByteArray plain(committed, Qt::Uninitialized);
        for (qsizetype k = 0; k < committed; ++k)
            plain[k] = char(in[k] ^ kMask);
        utf8 = isValidUtf8(plain);
    }
    const ColumnWidths &chosen = utf8 ? utf8Only : bytesOnly;
    for (size_t c = 0; c < used; ++c)
        table.columnWidth[c] = qMax(table.columnWidth[c], qint32(qMax(common[c], chosen[c]) * twipsPerCharacter));
}

QByteArray TableTextReader::textUtf8(QByteArrayView scrambled, const TableDescription &table)
{
    const qint64 columns = table.columnCount;
    const qint64 cellLimit = cellLimitOf(table);
    if (cellLimit == 0 || scrambled.isEmpty())
        return {};

    const auto *in = reinterpret_cast<const unsigned char *>(scrambled.data());
    const qsizetype size = scrambled.size();
    QByteArray out;
    // Every byte gives one, and each row's CR follows a NUL.
    out.resize(size + qsizetype(qMin<qint64>(table.rowCount + 1, size)));
    char *o = out.data();
    qsizetype w = 0;
    qsizetype committed = 0;
    qint64 cells = 0;
    qint64 column = 0;
    for (qsizetype i = 0; i < size && cells < cellLimit; ++i) {
        const auto b = static_cast<unsigned char>(in[i] ^ kMask);
        if (b >= 0x20) {
            o[w++] = char(b);
        } else if (b != 0) {
            o[w++] = '\n';
        } else {
            o[w++] = '\t';
            ++cells;
            if (++column == columns) {
                column = 0;
                o[w++] = '\r';
            }
            committed = w;
        }
    }
    // The bytes after the last NUL do not make a cell.
    out.resize(committed);
    if (isValidUtf8(out))
        return out;
    return QString::fromLatin1(out).toUtf8();
}

bool TableTextReader::setScanKernel(ScanKernel kernel)
{
    if (!kernelSupported(kernel))
        return false;
    chosenKernel().store(kernel);
    return true;
}

TableTextReader::ScanKernel TableTextReader::scanKernel()
{
    return chosenKernel().load();
}

void TableErrorLog::add(const QString &findings)
{
    if (findings.isEmpty())
        return;
    if (!flag) {
        flag = true;
        text += QStringLiteral("SGBD ") + descriptionPath + QStringLiteral(": ") + texts.invalidCharacter + kCrLf;
    }
    text += findings;
}

QString TableTextReader::read(QByteArrayView scrambled, TableDescription &table, TableErrorLog &errors) const
{
    QString findings;
    scan(scrambled, table, errors.texts, findings);
    errors.add(findings);
    return QString::fromUtf8(textUtf8(scrambled, table));
}

} // namespace kitbox
