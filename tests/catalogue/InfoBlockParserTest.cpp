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

} // namespace

TEST(InfoBlockParser, BuildsJobTextSummaryAndResultNames)
{
    JobCatalogue c = catalogueWithJobs({s("ident"), s("status")});
    InfoBlockParser parser(c, {});
    parser.parseDescription(scrambled("ECU:D_MOTOR\nORIGIN:Demo\nJOBNAME:IDENT\nJOBCOMMENT:Reads the\n"
                                      "JOBCOMMENT:identity\nRESULT:ID_TEXT\nRESULTTYPE:string\nJOBNAME:STATUS\n"
                                      "ARG:MODE\nARGTYPE:binary\nARGCOMMENT:first: with colon\nARG:Level\n"
                                      "ARGTYPE:int\nRESULT:STAT_WERT\nRESULTTYPE:real\nRESULTCOMMENT:engine speed\n"
                                      "RESULTCOMMENT:unit 1/min\n"));

    EXPECT_EQ(c.jobInfo[0], s("name      : IDENT\r\n  comment : Reads the\r\n            identity\r\n"
                              "\r\nresult    : ID_TEXT\r\n  type    : string\r\n"));
    EXPECT_EQ(c.jobInfo[1], s("name      : STATUS\r\n\r\nargument  : MODE\r\n  type    : data\r\n"
                              "  comment : first: with colon\r\n\r\nargument  : Level\r\n  type    : int\r\n"
                              "\r\nresult    : STAT_WERT\r\n  type    : real\r\n  comment : engine speed\r\n"
                              "            unit 1/min\r\n"));
    EXPECT_EQ(c.argSummary[0], QString());
    EXPECT_EQ(c.argSummary[1], s("Argumente:  2 \r\nmode; level"));
    EXPECT_EQ(c.resultNames[0], s("id_text\r\n"));
    EXPECT_EQ(c.resultNames[1], s("stat_wert\r\n"));
    EXPECT_EQ(c.lastFilledJob, 1);
}

TEST(InfoBlockParser, ArgumentSummaryCountIsRightAlignedInTwoPlaces)
{
    QString summary;
    InfoBlockParser::addArgument(summary, 1, s("A"));
    EXPECT_EQ(summary, s("Argumente:  1 \r\na"));
    for (int n = 2; n <= 12; ++n) {
        InfoBlockParser::addArgument(summary, n, QString(s("X") + QString::number(n)));
        EXPECT_EQ(summary.left(14), QStringLiteral("Argumente: %1 ").arg(n, 2)) << n;
    }
    EXPECT_TRUE(summary.startsWith(s("Argumente: 12 \r\na; x2; x3;")));
    EXPECT_TRUE(summary.endsWith(s("; x11; x12")));
    // A new first argument starts the summary over.
    InfoBlockParser::addArgument(summary, 1, s("B"));
    EXPECT_EQ(summary, s("Argumente:  1 \r\nb"));
}

TEST(InfoBlockParser, UnknownKeyBeepsAndGoesToJobZero)
{
    JobCatalogue c = catalogueWithJobs({s("a"), s("b")});
    int beeps = 0;
    InfoBlockParser parser(c, [&beeps] { ++beeps; });
    parser.parseDescription(scrambled(infoBlock(
        {s("JOBNAME:A"), s("JOBNAME:B"), s("BOGUS:value: more"), s("no colon here"), s("JOBCOMMENT:for b")})));
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(c.jobInfo[0], s("name      : A\r\n! ! ! BOGUS:value: more\r\n! ! ! no colon here\r\n"));
    EXPECT_EQ(c.jobInfo[1], s("name      : B\r\n  comment : for b\r\n"));

    // A short line without a colon, close before the next line's colon.
    c = catalogueWithJobs({s("a")});
    parser.parseDescription(scrambled(infoBlock({s("JOBNAME:A"), s("ab"), s("ARG:X"), s("ARGCOMMENT:and more")})));
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(c.jobInfo[0], s("name      : A\r\n! ! ! ab\r\n\r\nargument  : X\r\n  comment : and more\r\n"));
}

TEST(InfoBlockParser, CommentFlagSurvivesTypeLinesButNotArguments)
{
    JobCatalogue c = catalogueWithJobs({s("a")});
    InfoBlockParser parser(c, {});
    parser.parseDescription(scrambled(infoBlock({s("JOBNAME:A"), s("JOBCOMMENT:one"), s("ARGTYPE:int"),
                                                 s("ARGCOMMENT:two"), s("ARG:X"), s("ARGCOMMENT:three")})));
    EXPECT_EQ(c.jobInfo[0], s("name      : A\r\n  comment : one\r\n  type    : int\r\n            two\r\n"
                              "\r\nargument  : X\r\n  comment : three\r\n"));
}

TEST(InfoBlockParser, SurvivesLinesOutsideAnyJobAndMoreJobsThanTheList)
{
    JobCatalogue c = catalogueWithJobs({s("a")});
    InfoBlockParser parser(c, {});
    parser.parseDescription(scrambled(infoBlock({s("ARG:BEFORE"), s("RESULT:BEFORE"), s("JOBNAME:A"), s("JOBNAME:B"),
                                                 s("JOBNAME:C"), s("ARG:X"), s("RESULT:Y")})));
    EXPECT_EQ(c.jobInfo[0], s("name      : A\r\n"));
    EXPECT_EQ(c.argSummary[0], QString());
    // The spare entry takes the second job; the third has nowhere to go.
    EXPECT_EQ(c.jobInfo[1], s("name      : B\r\n"));
    EXPECT_EQ(c.jobInfo.size(), 2);
}

TEST(InfoBlockParser, DecodesUtf8AndFallsBackToLatin1AndKeepsACutOffLastLine)
{
    JobCatalogue c = catalogueWithJobs({s("a"), s("b")});
    InfoBlockParser parser(c, {});
    QByteArray plain = infoBlock({s("JOBNAME:A"), s("JOBCOMMENT:Drehzahl größer"), s("RESULT:GRÖßE_Ä")});
    plain += QByteArray("JOBNAME:B\nJOBCOMMENT:Gr\xF6\xDF"
                        "e\nRESULT:CUT");
    parser.parseDescription(scrambled(plain));
    EXPECT_EQ(c.jobInfo[0], s("name      : A\r\n  comment : Drehzahl größer\r\n\r\nresult    : GRÖßE_Ä\r\n"));
    EXPECT_EQ(c.resultNames[0], s("größe_ä\r\n"));
    EXPECT_EQ(c.jobInfo[1], s("name      : B\r\n  comment : Größe\r\n\r\nresult    : CUT\r\n"));
    EXPECT_EQ(c.resultNames[1], s("cut\r\n"));
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
    EXPECT_EQ(c.jobInfo[3], s("---- uses : D_BASIS\r\nname      : init\r\n  comment : Starts\r\n"
                              "\r\nargument  : MODE\r\n"));
    EXPECT_EQ(c.argSummary[3], s("Argumente:  1 \r\nmode"));
    EXPECT_EQ(c.resultNames[3], QString());
    EXPECT_EQ(c.jobInfo[4], s("---- uses : D_BASIS\r\nname      : RESET\r\n\r\nresult    : DONE\r\n"));
    EXPECT_EQ(c.lastFilledJob, 4);
    EXPECT_EQ(c.jobInfo[0], QString());
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
