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

TEST(TableTextReader, CellsRowsAndWidestCellPerColumn)
{
    TableDescription t = table("SG_FUNKTIONEN", 3, 2);
    TableErrorLog errors = errorLog();
    const QString text = TableTextReader(wideScreen)
                             .read(scrambled(tableBytes({s("ARG"), s("ID"), s("RESULTNAME"), s("DREHZAHL"), s("0xF40C"),
                                                         s(""), s("Öl"), s("1"), s("x")})),
                                   t, errors);
    EXPECT_EQ(text, s("ARG\tID\tRESULTNAME\t\rDREHZAHL\t0xF40C\t\t\rÖl\t1\tx\t\r"));
    EXPECT_EQ(t.columnWidth[0], (8 + 1) * 120);
    EXPECT_EQ(t.columnWidth[1], (6 + 1) * 120);
    EXPECT_EQ(t.columnWidth[2], (10 + 1) * 120);
    EXPECT_EQ(t.columnWidth[3], 0);
    EXPECT_FALSE(errors.flag);

    // Widths above a third of the screen are not recorded: a third of 7200
    // twips is 2400; 19 characters give exactly 2400, 20 give 2520.
    TableDescription narrow = table("T", 2, 1);
    (void)TableTextReader(7200).read(
        scrambled(tableBytes({QString(19, QLatin1Char('a')), s("b"), s("c"), QString(20, QLatin1Char('d'))})), narrow,
        errors);
    EXPECT_EQ(narrow.columnWidth[0], 2400);
    EXPECT_EQ(narrow.columnWidth[1], 240);
}

TEST(TableTextReader, CountsBoundTheCellsAndAnUnendedCellIsIgnored)
{
    TableDescription t = table("T", 2, 0);
    TableErrorLog errors = errorLog();
    QByteArray plain = tableBytes({s("A"), s("B"), s("EXTRA")});
    plain += "tail";
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(plain), t, errors), s("A\tB\t\r"));

    TableDescription shortTable = table("T", 2, 5);
    QByteArray cut = tableBytes({s("A"), s("B"), s("C")});
    cut += "D-without-end";
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(cut), shortTable, errors), s("A\tB\t\rC\t"));

    // Absurd counts give no cells or stay in bounds.
    TableDescription none = table("T", 0, 3);
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(tableBytes({s("A")})), none, errors), QString());
    TableDescription negative = table("T", 2, -5);
    EXPECT_EQ(TableTextReader(wideScreen).read(scrambled(tableBytes({s("A")})), negative, errors), QString());

    // 150 columns: widths are kept for columns 0..100 only.
    QStringList cells;
    for (int i = 0; i < 150; ++i)
        cells.append(s("abc"));
    TableDescription wide = table("W", 150, 0);
    const QString text = TableTextReader(wideScreen).read(scrambled(tableBytes(cells)), wide, errors);
    EXPECT_EQ(text.count(QLatin1Char('\t')), 150);
    EXPECT_EQ(wide.columnWidth[100], 4 * 120);
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
