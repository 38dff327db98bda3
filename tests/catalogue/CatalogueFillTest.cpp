#include "catalogue/CatalogueFill.h"
#include "CatalogueTestSupport.h"
#include "catalogue/TableTextReader.h"

using namespace kitbox;
using namespace kitbox::test;

namespace {

class CatalogueFillTest : public CatalogueFixture {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        catalogue.loadedName = s("D_MOTOR");
        catalogue.descriptionPath = dir.filePath(s("D_MOTOR.PRG"));
        catalogue.jobList = {s("ident")};
    }
    void run(bool reset = true)
    {
        CatalogueFill fill(api, sifter, texts, host);
        fill.run(catalogue, dir.path(), int(catalogue.jobList.size()), reset, options);
    }
    // Each table as "name|base|length|text".
    QStringList tables() const
    {
        QStringList out;
        for (qsizetype i = 0; i < catalogue.tables.size(); ++i) {
            const TableDescription &t = catalogue.tables.at(i);
            out << QStringList{t.name, t.baseName, QString::number(t.length), catalogue.tableTextAt(int(i))}.join(u'|');
        }
        return out;
    }
    QString errorFileText() const
    {
        QFile file(options.tableErrorFilePath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : s("(no file)");
    }
};

} // namespace

TEST_F(CatalogueFillTest, OwnAndBaseTablesInOrderWithTheirFilesAndLengths)
{
    api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({s("d_basis")}));
    catalogue.jobList = {s("ident"), s("---- uses: d_basis"), s("init")};
    describe(catalogue.descriptionPath, {},
             {{s("SG_FUNKTIONEN"), 2, 1, tableBytes({s("ARG"), s("ID"), s("A"), s("1")})},
              {s("FORTTEXTE"), 1, 0, tableBytes({s("TEXT")})}});
    // The base file is found although its name is spelt in lower case.
    const QString basePath = dir.filePath(s("d_basis.prg"));
    describe(basePath, {}, {{s("JOBRESULT"), 1, 1, tableBytes({s("SB"), s("OK")})}});

    run();

    // Lengths: the cells with their NULs.
    EXPECT_EQ(tables(), (QStringList{s("SG_FUNKTIONEN||11|ARG\tID\t\rA\t1\t\r"), s("FORTTEXTE||5|TEXT\t\r"),
                                     s("JOBRESULT|d_basis|6|SB\t\rOK\t\r")}));
    EXPECT_EQ(std::pair(catalogue.ownTableIndex(s("sg_funktionen")), catalogue.ownTableIndex(s("JOBRESULT"))),
              std::pair(0, -1));
    // Tables are located from the last base back to the description itself.
    EXPECT_EQ(sifter.calls().mid(2), (QStringList{s("SIFTER_TABLE(") + basePath + s(",0)"),
                                                  s("SIFTER_TABLE(") + catalogue.descriptionPath + s(",1)"),
                                                  s("SIFTER_TABLE(") + catalogue.descriptionPath + s(",0)")}));
    EXPECT_EQ(std::pair(host.events.first(), host.events.last()), std::pair(s("busy"), s("idle")));
}

TEST_F(CatalogueFillTest, FilesWithoutInfoBlockGetPlaceholdersAndALocatorFailureIsJobZerosText)
{
    catalogue.jobList = {s("ident"), s("---- uses: d_basis"), s("init")};
    describe(catalogue.descriptionPath, {}, {});
    run();
    EXPECT_EQ(catalogue.jobInfo.mid(0, 3),
              (QStringList{s("name      : IDENT\r\n\r\nKeine weiteren Informationen verfügbar."), s("\r\n"),
                           s("name      : INIT\r\n\r\nKeine weiteren Informationen verfügbar.")}));
    EXPECT_EQ(catalogue.lastFilledJob, 2);
    EXPECT_TRUE(host.events.contains(s("closeTableViewer")));

    FakeSifterFile broken;
    broken.status = 6;
    sifter.setFile(catalogue.descriptionPath, broken);
    sifter.clearCalls();
    run();
    EXPECT_EQ(std::pair(catalogue.jobInfo[0], sifter.callCount(s("SIFTER_TABLE"))),
              std::pair(s("Fehler in Sifter:6 aufgetreten."), 0));
}

TEST_F(CatalogueFillTest, InformationSwitchedOffIsFilledLaterWithoutReset)
{
    describe(catalogue.descriptionPath, infoBlock({s("JOBNAME:IDENT"), s("ARG:X")}),
             {{s("T"), 1, 0, tableBytes({s("H")})}});
    options = CatalogueOptions{false, false, false, false, 28800, options.tableErrorFilePath, false};
    run();
    ASSERT_EQ(catalogue.tables.size(), 1);
    EXPECT_EQ(catalogue.jobInfo[0] + catalogue.tables[0].name, QString());

    options.argInfo = true;
    run(false);
    const QString filled = s("name      : IDENT\r\n\r\nargument  : X\r\n");
    EXPECT_EQ(catalogue.jobInfo[0] + catalogue.argSummary[0] + catalogue.tables[0].name,
              filled + s("Argumente:  1 \r\nx"));

    options.tableInfo = true;
    run(false);
    EXPECT_EQ(catalogue.tables[0].name, s("T"));
    // Job texts already there are not read a second time.
    EXPECT_EQ(catalogue.jobInfo[0], filled);
}

TEST_F(CatalogueFillTest, ControlCharacterWritesTheErrorFileAndLeavesTheReportPending)
{
    describe(catalogue.descriptionPath, {}, {{s("BAD"), 1, 1, tableBytes({s("H"), s("x\x02")})}});
    run();
    EXPECT_TRUE(catalogue.tableErrorFlag && catalogue.tableErrorFileWritten);
    EXPECT_EQ(errorFileText(), s("SGBD ") + catalogue.descriptionPath +
                                   s(": Unzulässiges Zeichen (<0x20) in Tabelle gefunden.\r\n"
                                     "Tabelle: BAD; Zeile: 1; Spalte: 1; Zeichen=0x02\r\n\r\n"));

    // A place that cannot be written leaves the flag set and says so.
    options.tableErrorFilePath = dir.filePath(s("no/such/dir/kitbox32.ERR"));
    run();
    EXPECT_TRUE(catalogue.tableErrorFlag && !catalogue.tableErrorFileWritten);
}

TEST_F(CatalogueFillTest, RangesOutsideTheFileAndAbsurdCountsDoNotCrash)
{
    FakeSifterFile lying;
    lying.infoOffset = 5;
    lying.infoLength = 1'000'000'000;
    lying.tableAreaEnd = 2'000'000'000;
    lying.tables = {SifterTable{s("A"), 1'900'000'000, 3, 1'000'000}, SifterTable{s("B"), -20, 1'000'000, 7}};
    writeDescriptionFile(catalogue.descriptionPath, infoBlock({s("JOBNAME:IDENT")}), {});
    sifter.setFile(catalogue.descriptionPath, lying);
    run();
    ASSERT_EQ(catalogue.tables.size(), 2);
    EXPECT_EQ(catalogue.tableTextAt(0) + catalogue.tableTextAt(1), QString());
    EXPECT_FALSE(catalogue.jobInfo[0].isEmpty());
}

TEST_F(CatalogueFillTest, LargeTablesMeasuredOnSeveralThreadsGiveWhatReadingThemOneByOneGives)
{
    // About two and a half megabytes, well above what makes the fill share
    // the tables out among threads; some tables hold control characters,
    // some multi-byte characters, some neither, and the base adds its own.
    const auto makeTables = [](const QString &prefix, int count, int salt) {
        QList<TableSpec> tables;
        for (int t = 0; t < count; ++t) {
            QStringList cells{s("NR"), s("NAME"), s("TEXT")};
            for (int r = 0; r < 800; ++r) {
                cells.append(QString::number(r));
                cells.append(prefix + s("_") + QString(r % (7 + t), QLatin1Char('x')));
                QString text = s("Zeile ") + QString::number(r * salt);
                if ((t + r) % 53 == 0)
                    text += s(" Größe 𝄞");
                if (t % 5 == 1 && r % 150 == 7)
                    text += QChar(0x02);
                cells.append(text);
            }
            tables.append({prefix + QString::number(t), 3, 800, tableBytes(cells)});
        }
        return tables;
    };
    const QList<TableSpec> own = makeTables(s("OWN"), 60, 3);
    const QList<TableSpec> base = makeTables(s("BASE"), 30, 11);
    api.setJobResults(s("D_MOTOR"), s("_VERSIONINFO"), versionAnswer({s("d_basis")}));
    catalogue.jobList = {s("ident"), s("---- uses: d_basis"), s("init")};
    // The info texts are read beside the tables, begun before the tables are located.
    describe(catalogue.descriptionPath, infoBlock({s("JOBNAME:IDENT"), s("JOBCOMMENT:liest"), s("RESULT:ID")}), own);
    const QString basePath = dir.filePath(s("D_BASIS.PRG"));
    describe(basePath, infoBlock({s("JOBNAME:INIT"), s("ARG:MODE")}), base);
    options.screenWidthTwips = 120 * 3 * 40;

    // Fills one after the other: the threads kept from one do the next.
    for (int pass = 0; pass < 3; ++pass) {
        run();
        EXPECT_EQ(catalogue.jobInfo.at(0) + catalogue.jobInfo.at(2),
                  s("name      : IDENT\r\n  comment : liest\r\n\r\nresult    : ID\r\n"
                    "---- uses : D_BASIS\r\nname      : INIT\r\n\r\nargument  : MODE\r\n"));
    }

    const QList<TableSpec> all = own + base;
    ASSERT_EQ(catalogue.tables.size(), all.size());
    TableErrorLog expectedErrors;
    expectedErrors.descriptionPath = catalogue.descriptionPath;
    expectedErrors.texts = {texts.text(511), texts.text(512), texts.text(513), texts.text(514), texts.text(515)};
    QList<TableDescription> expected(all.size());
    QStringList expectedTexts;
    // The findings are reported from the last table back to the first.
    for (qsizetype i = all.size() - 1; i >= 0; --i) {
        expected[i].name = all.at(i).name;
        expected[i].columnCount = all.at(i).columns;
        expected[i].rowCount = all.at(i).rows;
        expectedTexts.prepend(
            TableTextReader(options.screenWidthTwips).read(scrambled(all.at(i).plain), expected[i], expectedErrors));
    }
    for (qsizetype i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(all.at(i).name.toStdString());
        EXPECT_EQ(catalogue.tables.at(i).columnWidth, expected.at(i).columnWidth);
        EXPECT_TRUE(catalogue.tableTextAt(int(i)) == expectedTexts.at(i));
    }
    ASSERT_TRUE(expectedErrors.flag);
    EXPECT_TRUE(catalogue.tableErrorFlag);
    EXPECT_EQ(errorFileText(), expectedErrors.text + s("\r\n"));
}

TEST_F(CatalogueFillTest, OverlappingRangesAreEachReadAsTheLocatorGaveThem)
{
    // A locator whose starts do not rise with the table number: the third
    // table starts inside the first, so their ranges overlap, and the second
    // one's range is empty.
    FakeSifterFile located = writeDescriptionFile(catalogue.descriptionPath, {},
                                                  {{s("ERSTE"), 1, 1, tableBytes({s("K1"), s("WERT_EINS")})},
                                                   {s("ZWEITE"), 1, 1, tableBytes({s("K2"), s("ZWEI")})},
                                                   {s("DRITTE"), 1, 1, tableBytes({s("K3"), s("DREI")})}});
    located.tables[2].start = located.tables[0].start + 3; // inside the first table
    sifter.setFile(catalogue.descriptionPath, located);
    run();

    // The third table is what lies from its start to the end of the table area.
    ASSERT_EQ(catalogue.tables.size(), 3);
    EXPECT_EQ((QStringList{catalogue.tableTextAt(0), catalogue.tableTextAt(1), catalogue.tableTextAt(2)}),
              (QStringList{s("K1\t\rWERT_EINS\t\r"), QString(), s("WERT_EINS\t\rK2\t\r")}));
    EXPECT_LT(catalogue.tables[1].length, 0);
    EXPECT_EQ(std::tuple(catalogue.tables[0].columnWidth[0], catalogue.tables[2].columnWidth[0],
                         catalogue.tables[2].columnWidth[1]),
              std::tuple((9 + 1) * 120, (9 + 1) * 120, 0));
}
