// The test editor's rules without a window: taking over typed text, the flag
// columns, the job echo import, block copy and paste and the printout.
#include "testmatrix/TestEditing.h"
#include "execution/ErgebnisAusgabe.h"
#include "testmatrix/TestMatrix.h"

#include <gtest/gtest.h>

using namespace kitbox;
using namespace kitbox::TestEditing;

namespace {

QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// Columns 1..6 of a row joined by "|".
QString fields(const TestMatrix &m, int row)
{
    QStringList out;
    for (int c = 1; c <= 6; ++c)
        out << m.cell(row, c);
    return out.join(u'|');
}

} // namespace

TEST(TestEditing, TakingOverTypedTextAndTheFlagColumns)
{
    const struct {
        int column;
        const char *current, *typed, *stored;
        bool refused;
    } cases[] = {
        {TestMatrix::Results, "", "STAT_A\r\nSTAT_B", "STAT_A;STAT_B", false},
        {TestMatrix::Arguments, "", "a\tb\nc\rd", "a;b;c;d", false},
        {TestMatrix::Job, "x", "st|at", "stat", true},
        {TestMatrix::OutputFlag, "", "x", "nein", false},
        {TestMatrix::OutputFlag, "nein", "neinx", "", false},
        {TestMatrix::DataFlag, "", "", "ja", false},
        {TestMatrix::DataFlag, "ja", "j", "", false},
    };
    for (const auto &c : cases) {
        bool refused = !c.refused;
        EXPECT_EQ(takenOver(c.column, q(c.current), q(c.typed), &refused), q(c.stored)) << c.typed;
        EXPECT_EQ(refused, c.refused) << c.typed;
    }
}

TEST(TestEditing, JobEchoesOfTheResultsWindowBecomeSteps)
{
    auto echo = [](const char *job, const QByteArray &data, bool dataFlag) {
        JobParameter request;
        request.sgbd = q("D_MOTOR");
        request.job = q(job);
        request.argumente = q("1;2");
        request.results = q("STAT;WERT");
        request.dataFlag = dataFlag;
        request.dataBytes = data;
        return ErgebnisAusgabe::echoLines(request);
    };
    // 20 bytes: two dump lines, and character columns that read like hex.
    const QByteArray twenty("AB CD EF 01 23 45 67");
    const struct {
        const char *name;
        QString text;
        const char *row; // count|description|job|data|arguments|results
    } cases[] = {
        {"text arguments", echo("STATUS", {}, false) + q("Satz : 0\r\n"), "1|D_MOTOR|STATUS||1;2|STAT;WERT"},
        {"three data bytes", echo("SCHREIBEN", QByteArray("\x01\x0A\xFF", 3), true),
         "1|D_MOTOR|SCHREIBEN|ja|01 0A FF|STAT;WERT"},
        {"dump of two lines", echo("LANG", twenty, true),
         "1|D_MOTOR|LANG|ja|41 42 20 43 44 20 45 46 20 30 31 20 32 33 20 34 35 20 36 37|STAT;WERT"},
        {"data echo without its dump", echo("OHNE", QByteArray("\x01", 1), true).section(u'\r', 0, 0),
         "1|D_MOTOR|OHNE|x|old|STAT;WERT"},
        {"copied with LF only, lower case", q("  apijob(\"d\",\"j\")\n"), "1|d|j||old|old"},
        {"too few bytes in the dump", q("apiJobData(\"d\",\"j\",{DATA}, 4,\"\")\n  {data}: 4 bytes\n    0000 : 0A 0B"),
         "1|d|j|ja|0A 0B|"},
    };
    for (const auto &c : cases) {
        TestMatrix m;
        for (int col = 1; col <= 6; ++col)
            m.setCell(4, col, col == TestMatrix::DataFlag ? q("x") : q("old"));
        ASSERT_TRUE(importJobEcho(m, 4, c.text)) << c.name;
        EXPECT_EQ(fields(m, 4).toStdString(), c.row) << c.name;
        EXPECT_TRUE(m.stepIsEmpty(3) && m.stepIsEmpty(5)) << c.name;
    }
    TestMatrix m;
    EXPECT_FALSE(importJobEcho(m, 1, q("Satz : 1")));
    EXPECT_FALSE(importJobEcho(m, 0, q("apiJob(\"d\")")));
    EXPECT_EQ(m, TestMatrix());
}

TEST(TestEditing, BlockCopyCutAndPaste)
{
    TestMatrix m;
    m.setCell(1, 2, q("D"));
    m.setCell(1, 3, q("J"));
    m.setCell(2, 3, q("K"));
    const QString block = copyBlock(m, {1, 2, 2, 3}, false);
    EXPECT_EQ(block, q("D\tJ\r\n\tK"));
    EXPECT_EQ(copyBlock(m, {1, 2, 2, 3}, true), block);
    EXPECT_TRUE(m.stepIsEmpty(1) && m.stepIsEmpty(2));

    const struct {
        int row, column;
        const char *text;
        const char *serialised;
    } pastes[] = {
        {14, 10, "D\tJ\r\n\tK\r\n",
         "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n|||||||||D|J\r\n||||||||||K\r\n"},
        {15, 10, "a\tb\tc\nd", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n|||||||||a|b\r\n"},
        {1, 1, "1|2\tX\r\r3", "12|X\r\n\r\n3\r\n"},
    };
    for (const auto &p : pastes) {
        TestMatrix target;
        EXPECT_TRUE(pasteBlock(target, p.row, p.column, q(p.text))) << p.text;
        EXPECT_EQ(target.serialise(), q(p.serialised)) << p.text;
        EXPECT_FALSE(pasteBlock(target, p.row, p.column, q(p.text))) << "same block again";
    }
}

TEST(TestEditing, PrintoutHasHeadingTitlesAndSteps)
{
    TestMatrix m;
    m.setCell(2, 1, q("1"));
    m.setCell(2, 3, q("IDENT"));
    const QStringList lines = printText(m, q("/t/A.TST")).split(q("\r\n"));
    // Framed heading with the file name, the column titles, then the steps up to the last one in use.
    EXPECT_EQ(lines.mid(2, 1) + lines.mid(5), (QStringList{q("      /t/A.TST"), QString(), q("1||IDENT"), QString()}));
    EXPECT_EQ(lines[0], QString(140, u'='));
    EXPECT_EQ(lines[3], lines[0]);
    EXPECT_TRUE(lines[4].startsWith(q("Nr |n |SGBD |JOB |(data) |ARGUMENT |")));
}
