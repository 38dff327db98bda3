// The table reader held to a reading byte by byte, as the original procedure
// did, on data where multi-byte characters, long cells and runs of NULs meet
// the blocks that plain text is searched and measured in; and the error file.
// The report's wording is CatalogueFillTest's.
#include "catalogue/TableTextReader.h"
#include "CatalogueTestSupport.h"
#include "catalogue/TableErrorFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace kitbox;
using namespace kitbox::test;

namespace {

struct ReadByteByByte {
    QString text;
    std::array<qint32, 101> widths{};
    QString errors; // as a log with the texts U, T, Z, S, C reports them
};

ReadByteByByte readByteByByte(const QByteArray &scrambledBytes, int columns, int rows, int screenWidth)
{
    ReadByteByByte out;
    const qint64 limit = qint64(columns) * (rows + 1);
    qint64 cells = 0;
    int column = 0;
    QByteArray cell;
    for (qsizetype i = 0; i < scrambledBytes.size() && cells < limit; ++i) {
        const auto b = static_cast<unsigned char>(scrambledBytes[i] ^ 0x6B);
        if (b >= 0x20) {
            cell += char(b);
        } else if (b != 0) {
            cell += '\n';
            out.errors += QStringLiteral("T: MIX; Z: %1; S: %2; C=0x%3\r\n")
                              .arg(cells / columns)
                              .arg(column + 1)
                              .arg(QString::number(b, 16).toUpper().rightJustified(2, u'0'));
        } else {
            const QString decoded = QString::fromUtf8(cell);
            out.text += decoded + QLatin1Char('\t');
            const qint32 width = qint32(decoded.size() + 1) * 120;
            if (column <= 100 && width * 3 <= screenWidth)
                out.widths[size_t(column)] = qMax(out.widths[size_t(column)], width);
            cell.clear();
            ++cells;
            if (++column == columns) {
                column = 0;
                out.text += QLatin1Char('\r');
            }
        }
    }
    if (!out.errors.isEmpty())
        out.errors.prepend(QStringLiteral("SGBD /ecu/MIX.PRG: U\r\n"));
    return out;
}

// The scrambled bytes of count cells made by cell(row).
QByteArray generated(int count, const std::function<QString(int)> &cell)
{
    QStringList cells;
    for (int r = 0; r < count; ++r)
        cells.append(cell(r));
    return scrambled(tableBytes(cells));
}

} // namespace

TEST(TableErrorFile, NamedLikeTheSettingsFileAndWrittenWhole)
{
    EXPECT_EQ(TableErrorFile::pathFor(s("/home/u/.config/kitbox32/kitbox32.INI")),
              s("/home/u/.config/kitbox32/kitbox32.ERR"));
    EXPECT_EQ(TableErrorFile::pathFor(s("/a.b/settings")), s("/a.b/settings.ERR"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(s("kitbox32.ERR"));
    ASSERT_TRUE(TableErrorFile::write(path, s("old text that is longer")).ok());
    ASSERT_TRUE(TableErrorFile::write(path, s("SGBD x: Zeichen\r\nline")).ok());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), s("SGBD x: Zeichen\r\nline\r\n"));

    // A file that cannot be written is reported and no directory is made for it.
    const kitbox::Status failed = TableErrorFile::write(dir.filePath(s("missing/dir/k.ERR")), s("x"));
    EXPECT_NE(failed.error().find("missing/dir"), std::string::npos);
    EXPECT_FALSE(QDir(dir.path()).exists(s("missing")));
}

TEST(TableTextReader, LargeTablesReadAsByteByByte)
{
    // Mostly plain text, which is measured in a fast way, broken now and
    // then by multi-byte characters, control characters and cells of
    // several kilobytes, with a stretch of multi-byte characters in every row
    // and an unended cell behind the last row; read whole and cut off after
    // fewer rows than it holds.
    QStringList cells{s("A"), s("B"), s("C"), s("D"), s("E")};
    for (int r = 0; r < 3000; ++r) {
        for (int c = 0; c < 5; ++c) {
            QString cell = QString::number(r * 5 + c) + QString((r * 7 + c) % 23, QLatin1Char('z'));
            if (r < 800 && c == 3)
                cell = QString(r % 17, QChar(0x00C4)) + s("€") + QString::number(r * 7);
            if (r % 211 == 3 && c == 1)
                cell += s("Öl€𝄞");
            if (r % 389 == 17 && c == 2)
                cell = QString(5000 + r, QLatin1Char('L')) + s("ä");
            if (r % 457 == 11 && c == 4)
                cell += QChar(0x1B);
            if (r == 1500 && c == 0)
                cell = s("€") + QString(9000, QLatin1Char('P'));
            if (r >= 2000 && r < 2100)
                cell = QString((r + c) % 3, QLatin1Char('k')); // many NULs to a block
            if (r == 1501 && c == 3)
                cell = s("𝄞") + QString(8000, QLatin1Char('Q'));
            cells.append(cell);
        }
    }
    const QByteArray mixedBytes = scrambled(tableBytes(cells) + QByteArray("trailing bytes without end"));
    // Cells of up to three characters only: a block holds many NULs, and a
    // cell measured one too long shows as a wider column.
    const QByteArray denseBytes =
        generated(2000 * 7, [](int r) { return QString((r * 3 + r / 7) % 4, QLatin1Char('k')); });
    // Plain cells of lengths that differ by column, for column counts that
    // fill the sixteen cells measured at once fully, partly or not at all.
    const QByteArray plainBytes = generated(160 * 17, [](int r) {
        return QString((r * 5 + r / 17) % 31 + (r % 17 == 3 ? 40 : 0) + (r % 23 == 7 ? 60 : 0), QLatin1Char('p'));
    });
    // Mostly empty cells: up to a NUL for every byte of a block.
    const QByteArray emptyBytes = generated(
        3 * 3000, [](int r) { return r % 97 < 60 ? QString() : QString((r % 5) * (r % 3), QLatin1Char('e')); });
    // Sixteen NULs to a block, now and then one more.
    const QByteArray evenBytes =
        generated(2 * 2000, [](int r) { return QString(r % 37 == 0 ? 2 : 3, QLatin1Char('m')); });
    // A narrow screen leaves the widest cells unrecorded.
    constexpr int wide = 120 * 3 * 9500;
    constexpr int narrow = 120 * 3 * 50;
    const struct {
        QByteArray bytes;
        int columns;
        QList<int> rowLimits;
        int screenWidth;
    } tables[] = {{mixedBytes, 5, {3000, 2999, 1234, 0}, wide},
                  {mixedBytes, 5, {3000}, 9000},
                  {denseBytes, 7, {1999, 1000}, wide},
                  {plainBytes, 1, {2719, 300}, wide},
                  {plainBytes, 4, {679, 100}, narrow},
                  {plainBytes, 16, {169, 20}, narrow},
                  {plainBytes, 17, {159}, wide},
                  {plainBytes, 150, {17}, wide}, // widths are kept for columns 0..100 only
                  {plainBytes, 0, {3}, wide},    // absurd counts give no cells
                  {plainBytes, 2, {-5}, wide},
                  {emptyBytes, 3, {2999, 2000}, wide},
                  {evenBytes, 2, {1999}, wide}};

    // Every way of searching plain text that this processor offers.
    const TableTextReader::ScanKernel widest = TableTextReader::scanKernel();
    for (const auto kernel : {TableTextReader::ScanKernel::Generic, TableTextReader::ScanKernel::Avx2,
                              TableTextReader::ScanKernel::Avx512, TableTextReader::ScanKernel::Avx512Vbmi2}) {
        if (!TableTextReader::setScanKernel(kernel))
            continue;
        for (const auto &t : tables) {
            for (const int rows : t.rowLimits) {
                SCOPED_TRACE(testing::Message()
                             << "kernel " << int(kernel) << ", columns " << t.columns << ", rows " << rows);
                TableDescription table;
                table.name = s("MIX");
                table.columnCount = t.columns;
                table.rowCount = rows;
                TableErrorLog errors;
                errors.descriptionPath = s("/ecu/MIX.PRG");
                errors.texts = {s("U"), s("T"), s("Z"), s("S"), s("C")};
                const QString text = TableTextReader(t.screenWidth).read(t.bytes, table, errors);
                const ReadByteByByte expected = readByteByByte(t.bytes, t.columns, rows, t.screenWidth);
                EXPECT_TRUE(text == expected.text);
                EXPECT_EQ(table.columnWidth, expected.widths);
                EXPECT_EQ(errors.text, expected.errors);
            }
        }
    }
    TableTextReader::setScanKernel(widest);
}
