#include "catalogue/TableTextReader.h"
#include "CatalogueTestSupport.h"
#include "catalogue/TableErrorFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {

TableDescription table(const char *name, int columns, int rows)
{
    TableDescription t;
    t.name = s(name);
    t.columnCount = columns;
    t.rowCount = rows;
    return t;
}

TableErrorLog errorLog()
{
    TableErrorLog log;
    log.descriptionPath = s("/ecu/D_MOTOR.PRG");
    log.texts = {s("Unzulässiges Zeichen"), s("Tabelle"), s("Zeile"), s("Spalte"), s("Zeichen")};
    return log;
}

constexpr int wideScreen = 19200 * 3; // a third of it is 19200 twips

} // namespace

// Cells, rows, widths, control characters and cut-off ends on large tables
// are held to a byte-by-byte reading in ChunkedReadingTest; these are the
// bounds and the report's wording.
TEST(TableTextReader, CountsBoundTheCellsAndWidths)
{
    TableErrorLog errors = errorLog();
    TableDescription oneRow = table("T", 2, 0);
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(tableBytes({s("A"), s("B"), s("C")})), oneRow, errors),
              s("A\tB\t\r"));
    // Absurd counts give no cells or stay in bounds.
    TableDescription none = table("T", 0, 3);
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(tableBytes({s("A")})), none, errors), QString());
    TableDescription negative = table("T", 2, -5);
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(tableBytes({s("A")})), negative, errors), QString());

    // 150 columns: widths are kept for columns 0..100 only.
    TableDescription wide = table("W", 150, 0);
    const QString text =
        TableTextReader(wideScreen).read(scrambled(tableBytes(QStringList(150, s("abc")))), wide, errors);
    EXPECT_EQ(text.count(QLatin1Char('\t')), 150);
    EXPECT_EQ(wide.columnWidth[100], 4 * 120);
    EXPECT_FALSE(errors.flag);
}

TEST(TableTextReader, ControlCharactersBecomeLineFeedsAndAreReported)
{
    TableErrorLog errors = errorLog();
    TableDescription first = table("FIRST", 2, 1);
    const QString text = TableTextReader(wideScreen)
                             .read(scrambled(tableBytes({s("H1"), s("H\t2"), s("a"), s("b\x01")})), first, errors);
    EXPECT_EQ(text, s("H1\tH\n2\t\ra\tb\n\t\r"));
    TableDescription second = table("SECOND", 1, 0);
    (void)TableTextReader(wideScreen).read(scrambled(tableBytes({s("\x1F")})), second, errors);

    EXPECT_TRUE(errors.flag);
    EXPECT_EQ(errors.text, s("SGBD /ecu/D_MOTOR.PRG: Unzulässiges Zeichen\r\n"
                             "Tabelle: FIRST; Zeile: 0; Spalte: 2; Zeichen=0x09\r\n"
                             "Tabelle: FIRST; Zeile: 1; Spalte: 2; Zeichen=0x01\r\n"
                             "Tabelle: SECOND; Zeile: 0; Spalte: 1; Zeichen=0x1F\r\n"));
}

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

    const kitbox::Status failed = TableErrorFile::write(dir.filePath(s("missing/dir/k.ERR")), s("x"));
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error().find("missing/dir"), std::string::npos);
    EXPECT_FALSE(QDir(dir.path()).exists(s("missing")));
}
