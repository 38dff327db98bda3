#include "catalogue/InfoBlockParser.h"
#include "CatalogueTestSupport.h"

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::test;

namespace {
JobCatalogue catalogueWithJobs(const QStringList &jobs)
{
    JobCatalogue c;
    c.jobList = jobs;
    c.resetJobTexts(int(jobs.size()));
    return c;
}

// The job texts from the jobs' lines, info and the spare entry behind the
// jobs (empty unless given); the catalogue is returned for further checks.
JobCatalogue expectTexts(const QStringList &jobs, const QByteArray &plain, int beeps, QStringList info)
{
    JobCatalogue c = catalogueWithJobs(jobs);
    int beeped = 0;
    InfoBlockParser(c, [&beeped] { ++beeped; }).parseDescription(scrambled(plain));
    info.resize(jobs.size() + 1);
    EXPECT_EQ(c.jobInfo, info) << plain.constData();
    EXPECT_EQ(beeped, beeps) << plain.constData();
    return c;
}

} // namespace

TEST(InfoBlockParser, JobTextsSummariesAndResultNames)
{
    JobCatalogue c = expectTexts(
        {s("ident"), s("status")},
        "ECU:D_MOTOR\nORIGIN:Demo\nJOBNAME:IDENT\nJOBCOMMENT:Reads the\nJOBCOMMENT:identity\nRESULT:ID_TEXT\n"
        "RESULTTYPE:string\nJOBNAME:STATUS\nARG:MODE\nARGTYPE:binary\nARGCOMMENT:first: with colon\nARG:Level\n"
        "ARGTYPE:int\nRESULT:STAT_WERT\nRESULTTYPE:real\nRESULTCOMMENT:engine speed\nRESULTCOMMENT:unit 1/min\n",
        0,
        {s("name      : IDENT\r\n  comment : Reads the\r\n            identity\r\n\r\nresult    : ID_TEXT\r\n"
           "  type    : string\r\n"),
         s("name      : STATUS\r\n\r\nargument  : MODE\r\n  type    : data\r\n  comment : first: with colon\r\n"
           "\r\nargument  : Level\r\n  type    : int\r\n\r\nresult    : STAT_WERT\r\n  type    : real\r\n"
           "  comment : engine speed\r\n            unit 1/min\r\n"),
         QString()});
    EXPECT_EQ(c.argSummary, (QStringList{QString(), s("Argumente:  2 \r\nmode; level"), QString()}));
    EXPECT_EQ(c.resultNames, (QStringList{s("id_text\r\n"), s("stat_wert\r\n"), QString()}));
    EXPECT_EQ(c.lastFilledJob, 1);

    // Unknown keys and lines without a colon beep and go to job zero.
    expectTexts({s("a"), s("b")}, "JOBNAME:A\nJOBNAME:B\nBOGUS:value: more\nno colon here\nJOBCOMMENT:for b\n", 2,
                {s("name      : A\r\n! ! ! BOGUS:value: more\r\n! ! ! no colon here\r\n"),
                 s("name      : B\r\n  comment : for b\r\n")});
    // A short line without a colon, close before the next line's colon.
    expectTexts({s("a")}, "JOBNAME:A\nab\nARG:X\nARGCOMMENT:and more\n", 1,
                {s("name      : A\r\n! ! ! ab\r\n\r\nargument  : X\r\n  comment : and more\r\n")});
    // The comment flag survives type lines but not a new argument.
    expectTexts({s("a")}, "JOBNAME:A\nJOBCOMMENT:one\nARGTYPE:int\nARGCOMMENT:two\nARG:X\nARGCOMMENT:three\n", 0,
                {s("name      : A\r\n  comment : one\r\n  type    : int\r\n            two\r\n"
                   "\r\nargument  : X\r\n  comment : three\r\n")});
    // Lines outside any job are dropped; the spare entry takes the second job,
    // the third has nowhere to go.
    c = expectTexts({s("a")}, "ARG:BEFORE\nRESULT:BEFORE\nJOBNAME:A\nJOBNAME:B\nJOBNAME:C\nARG:X\nRESULT:Y\n", 0,
                    {s("name      : A\r\n"), s("name      : B\r\n")});
    EXPECT_EQ(c.argSummary[0], QString());
    // UTF-8, Latin-1 as the fallback, and a cut-off last line.
    c = expectTexts({s("a"), s("b")},
                    infoBlock({s("JOBNAME:A"), s("JOBCOMMENT:Drehzahl größer"), s("RESULT:GRÖßE_Ä")}) +
                        QByteArray("JOBNAME:B\nJOBCOMMENT:Gr\xF6\xDF"
                                   "e\nRESULT:CUT"),
                    0,
                    {s("name      : A\r\n  comment : Drehzahl größer\r\n\r\nresult    : GRÖßE_Ä\r\n"),
                     s("name      : B\r\n  comment : Größe\r\n\r\nresult    : CUT\r\n")});
    EXPECT_EQ(c.resultNames, (QStringList{s("größe_ä\r\n"), s("cut\r\n"), QString()}));

    // Neighbouring jobs with the same arguments and results share their texts;
    // nothing carries over to a job with other ones or none.
    c = expectTexts({s("a"), s("b"), s("c"), s("d")},
                    "JOBNAME:A\nARG:X\nARG:Y\nRESULT:R\nJOBNAME:B\nARG:X\nARG:Y\nRESULT:R\nJOBNAME:C\nARG:X\n"
                    "RESULT:S\nRESULT:R\nJOBNAME:D\n",
                    0,
                    {s("name      : A\r\n\r\nargument  : X\r\n\r\nargument  : Y\r\n\r\nresult    : R\r\n"),
                     s("name      : B\r\n\r\nargument  : X\r\n\r\nargument  : Y\r\n\r\nresult    : R\r\n"),
                     s("name      : C\r\n\r\nargument  : X\r\n\r\nresult    : S\r\n\r\nresult    : R\r\n"),
                     s("name      : D\r\n")});
    const QString xy = s("Argumente:  2 \r\nx; y");
    EXPECT_EQ(c.argSummary, (QStringList{xy, xy, s("Argumente:  1 \r\nx"), QString(), QString()}));
    EXPECT_EQ(c.resultNames, (QStringList{s("r\r\n"), s("r\r\n"), s("s\r\nr\r\n"), QString(), QString()}));
}

TEST(InfoBlockParser, ArgumentSummaryCountIsRightAlignedInTwoPlaces)
{
    QString summary;
    for (int n = 1; n <= 12; ++n)
        InfoBlockParser::addArgument(summary, n, QString(s("X") + QString::number(n)));
    EXPECT_EQ(summary, s("Argumente: 12 \r\nx1; x2; x3; x4; x5; x6; x7; x8; x9; x10; x11; x12"));
    // A new first argument starts the summary over.
    InfoBlockParser::addArgument(summary, 1, s("B"));
    EXPECT_EQ(summary, s("Argumente:  1 \r\nb"));
}

TEST(InfoBlockParser, BaseBlockSkipsRedefinedJobsWithoutShiftingTheOthers)
{
    // d_basis has INIT, IDENT (redefined by the loaded description), RESET.
    JobCatalogue c = catalogueWithJobs({s("ident"), s("status"), s("---- uses: d_basis"), s("init"), s("reset")});
    c.lastFilledJob = 1;
    int beeps = 0;
    InfoBlockParser parser(c, [&beeps] { ++beeps; });
    parser.parseBase(scrambled("ECU:D_BASIS\nJOBNAME:IDENT\nJOBCOMMENT:hidden\nARG:GONE\nJOBNAME:init\n"
                               "JOBCOMMENT:Starts\nARG:MODE\nJOBNAME:IDENT2\nARG:NOT_INIT\nRESULT:NOT_INIT\n"
                               "JOBNAME:RESET\nRESULT:DONE\n"),
                     s("d_basis"));
    EXPECT_EQ(beeps, 0);
    // The redefined job's comment arrives while the separator is current.
    EXPECT_EQ(c.jobInfo[2], s("\r\n"));
    EXPECT_EQ(c.argSummary[2], QString());
    EXPECT_EQ(c.jobInfo.mid(3, 2),
              (QStringList{s("---- uses : D_BASIS\r\nname      : init\r\n  comment : Starts\r\n"
                             "\r\nargument  : MODE\r\n"),
                           s("---- uses : D_BASIS\r\nname      : RESET\r\n\r\nresult    : DONE\r\n")}));
    EXPECT_EQ(c.argSummary[3], s("Argumente:  1 \r\nmode"));
    EXPECT_EQ(c.resultNames[3] + c.jobInfo[0], QString());
    EXPECT_EQ(c.lastFilledJob, 4);
}

TEST(Utf16Builder, WidensBytesOfEveryLengthAndOffsetAsLatin1)
{
    // Lengths around the sixteen, eight and four bytes widened at once, at
    // every offset into the source, with bytes of the upper half among them.
    QByteArray source;
    for (int k = 0; k < 96; ++k)
        source += char((k * 37 + 11) % 256);
    Utf16Builder text;
    QString expected;
    for (int offset = 0; offset < 5; ++offset) {
        for (int length = 0; length <= 40; ++length) {
            const QByteArrayView bytes = QByteArrayView(source).sliced(offset, length);
            text.addLatin1(bytes);
            text.add(u"|");
            expected += QString::fromLatin1(bytes) + QLatin1Char('|');
        }
    }
    EXPECT_EQ(text.view().toString(), expected);
}
