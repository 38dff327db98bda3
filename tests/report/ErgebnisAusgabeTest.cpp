#include "execution/ErgebnisAusgabe.h"

#include <gtest/gtest.h>

#include "ScriptedRuntime.h"

using namespace kitbox;
using kitbox::testing::ScriptedRuntime;
using Read = ScriptedRuntime::Read;
using namespace Qt::StringLiterals;

namespace {

const QString D = QStringLiteral("D_TEST");
QString q(const char *text)
{
    return QString::fromUtf8(text);
}

// A result whose hex form the runtime gives in the format the report asks for its type.
FakeResult result(const char *name, const QString &value, ResultType type = ResultType::Text, const char *hex = "")
{
    const char *format = type <= ResultType::Byte ? "02X" : type <= ResultType::Word ? "04X" : "08X";
    FakeResult r = kitbox::testing::txt(q(name), value, type);
    r.formatted.insert(q(format), q(hex));
    return r;
}

FakeResult binary(const char *name, const QByteArray &data)
{
    return kitbox::testing::bin(q(name), data);
}

const FakeResultSet systemSet{result("VARIANTE", D)};

QString line(const char *name, const QString &value)
{
    return u"  " + q(name).leftJustified(31) + u" = " + value + u"\r\n";
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime.apiInit());
        options.filterNotice = q("Results sind gefiltert");
    }
    QString run(const char *job, const QString &arguments = QString(), const QString &results = QString())
    {
        JobParameter p;
        p.sgbd = D;
        p.job = q(job);
        p.argumente = arguments;
        p.results = results;
        return report.build(p, options);
    }
    QStringList lines(const char *job) { return run(job).split(q("\r\n")); }

    ScriptedRuntime runtime;
    ReportOptions options;
    ErgebnisAusgabe report{runtime};
};

} // namespace

TEST_F(ReportTest, EchoLineThenEverySetStartingWithTheSystemSet)
{
    runtime.setJobResults(D, q("status"), {systemSet, {result("T", q("warm"))}, {result("T", q("kalt"))}});
    EXPECT_EQ(run("status", q("a;b"), q("T")),
              QString(u"apiJob(\"D_TEST\",\"status\",\"a;b\",\"T\")\r\n\r\nSatz : 0\r\n" + line("VARIANTE", D) +
                      u"Satz : 1\r\n" + line("T", q("warm")) + u"Satz : 2\r\n" + line("T", q("kalt"))));
    EXPECT_EQ(report.lastErrorCode(), 0);
}

TEST_F(ReportTest, IntegerLinesFollowTheColumnMap)
{
    runtime.setJobResults(
        D, q("werte"),
        {{result("SYS", q("42"), ResultType::Word, "002A")},
         {result("WERT", q("42"), ResultType::Word, "002A"), result("MINUS", q("-1"), ResultType::Integer, "FFFF"),
          result("Z", q("65"), ResultType::Char, "41"), result("REAL", q("12.5"), ResultType::Real)}});
    const QStringList l = lines("werte");
    EXPECT_EQ(l[3] + u"\r\n", line("SYS", q("42"))); // set 0: the plain line
    const QString word = l[5];
    ASSERT_EQ(word.size(), 83);
    EXPECT_EQ(word.left(36), QString(u"  " + q("WERT").leftJustified(31) + u" = "));
    EXPECT_EQ(word.mid(36, 12), q("42          "));
    EXPECT_EQ(word.mid(48), QString(u"      00 2A  .*      " + QString(14, u' ')));
    EXPECT_EQ(l[6].mid(36, 33), QString::fromUtf16(u"-1                FF FF  \u00ff\u00ff      "));
    EXPECT_EQ(l[7].mid(48, 21), q("         41  A       "));
    EXPECT_EQ(l[8] + u"\r\n", line("REAL", q("12.5")));
}

TEST_F(ReportTest, LongNamesAndValuesShiftTheLineAndAFailedHexReadLeavesBlanks)
{
    const QString longName(40, u'N');
    runtime.setJobResults(D, q("lang"),
                          {systemSet,
                           {result(longName.toUtf8().constData(), q("12345678901234"), ResultType::Long, "00000001"),
                            result("W", q("7"), ResultType::Word, "0007")}});
    runtime.fail(Read::Text, 1, q("W|04X"), 0);
    const QStringList l = lines("lang");
    EXPECT_EQ(l[5], QString(u"  " + longName + u" = 12345678901234" + u"00 00 00 01  ....    " + QString(14, u' ')));
    EXPECT_EQ(l[6], QString(u"  " + q("W").leftJustified(31) + u" = " + q("7").leftJustified(12) + QString(35, u' ')));
}

TEST_F(ReportTest, BinaryResultsGiveHeaderAndDump)
{
    runtime.setJobResults(D, q("bin"),
                          {{binary("SYS_BIN", QByteArray("AB"))},
                           {binary("ACHT", QByteArray("12345678")), binary("LEER", QByteArray())}});
    EXPECT_TRUE(run("bin").endsWith(QString(u"Satz : 0\r\n" + line("SYS_BIN", q("2 Bytes")) + u"    0000 : 41 42" +
                                            QString(44, u' ') + u"  AB  \r\nSatz : 1\r\n" + line("ACHT", q("8 Bytes")) +
                                            u"    0000 : 31 32 33 34 35 36 37 38" + QString(26, u' ') +
                                            u"  12345678  \r\n" + line("LEER", q("0 Bytes")) + u"\r\n")));
}

TEST_F(ReportTest, Error136IsForgivenOnlyAfterASuccessfulExtendedRead)
{
    runtime.setJobResults(D, q("gross"), {systemSet, {binary("GROSS", QByteArray(2000, 'z'))}});
    runtime.keepBinaryErrorAfterExtendedRead();
    const QString big = run("gross");
    EXPECT_TRUE(big.contains(line("GROSS", q("2000 Bytes"))));
    EXPECT_TRUE(big.contains(u"    07C0 : 7A"));
    EXPECT_FALSE(big.contains(u"VEDAMIS"));
    EXPECT_EQ(runtime.callCount(q("apiResultBinaryExt")), 1);

    // Too long even for the extended buffer: skipped, the set dropped, reported.
    runtime.setJobResults(D, q("riesig"),
                          {systemSet, {result("VORHER", q("1")), binary("RIESIG", QByteArray(3000, 'q'))}});
    runtime.fail(Read::Extended, 1, q("RIESIG"), 136, q("binary result too long"));
    const QString huge = run("riesig");
    EXPECT_FALSE(huge.contains(u"VORHER"));
    EXPECT_TRUE(huge.endsWith(u"Satz : 1\r\nVEDAMIS Fehler 136 : binary result too long\r\n")) << huge.toStdString();

    // A job that itself ends with 136 before any binary read.
    runtime.setJobError(D, q("kaputt"), 136, q("zu lang"));
    EXPECT_EQ(run("kaputt"), q("apiJob(\"D_TEST\",\"kaputt\",\"\",\"\")\r\n\r\nVEDAMIS Fehler 136 : zu lang\r\n"));
    EXPECT_EQ(report.lastErrorCode(), 136);
}

TEST_F(ReportTest, FailedReadsSkipTheResultOrEndTheReportWhenTheyLeaveAnErrorCode)
{
    const struct {
        Read read;
        const char *what;
        qint16 code;
        char skipped; // with code 0: the result left out
    } faults[] = {{Read::Name, "2", 7, 0},   {Read::Format, "B", 7, 0}, {Read::Text, "B|", 7, 0},
                  {Read::Number, "", 7, 0},  {Read::Name, "1", 0, 'A'}, {Read::Format, "B", 0, 'B'},
                  {Read::Text, "C|", 0, 'C'}};
    for (const auto &f : faults) {
        ScriptedRuntime fresh;
        ASSERT_TRUE(fresh.apiInit());
        fresh.setJobResults(
            D, q("j"),
            {systemSet, {result("A", q("1")), result("B", q("2")), result("C", q("3"))}, {result("D", q("4"))}});
        fresh.fail(f.read, 1, q(f.what), f.code, q("kaputt"));
        ErgebnisAusgabe r(fresh);
        JobParameter p;
        p.sgbd = D;
        p.job = q("j");
        // A read that leaves its code ends the report, dropping the set's gathered lines.
        QString expected = u"VEDAMIS Fehler 7 : kaputt\r\n"_s;
        if (f.code == 0) {
            expected.clear();
            for (const char *name : {"A", "B", "C"})
                if (name[0] != f.skipped)
                    expected += line(name, QString::number(name[0] - 'A' + 1));
            expected += u"Satz : 2\r\n" + line("D", q("4"));
        }
        EXPECT_EQ(r.build(p, options).section(u"Satz : 1\r\n"_s, 1), expected) << f.what;
        EXPECT_EQ(r.lastErrorCode(), f.code) << f.what;
    }
}

TEST_F(ReportTest, ReorderingFollowsTheResultListAndPutsUnlistedNamesLast)
{
    runtime.setJobResults(
        D, q("sortiert"),
        {{result("SYS_B", q("1")), result("SYS_A", q("2"))},
         {result("FREMD", q("f")), result("ZWEI", q("2")), result("EINS", q("1")), result("ANDERS", q("a"))}});
    options.order = {q("eins"), q("zwei"), q("fehlt")};
    EXPECT_TRUE(run("sortiert")
                    .endsWith(QString(u"Satz : 0\r\n" + line("SYS_B", q("1")) + line("SYS_A", q("2")) +
                                      u"Satz : 1\r\n" + line("EINS", q("1")) + line("ZWEI", q("2")) +
                                      line("FREMD", q("f")) + line("ANDERS", q("a")))));
    options.order.clear();
    const QString plain = run("sortiert");
    EXPECT_LT(plain.indexOf(u"FREMD"), plain.indexOf(u"EINS"));
}

TEST_F(ReportTest, UdsSwitchesHideTheirResultsAndAddTheNotice)
{
    runtime.setJobResults(D, q("uds"),
                          {systemSet,
                           {result("W", q("1")), result("W_EINH", q("km/h")), result("W_INFO", q("i")),
                            result("W_TEXT", q("t")), result("w_text", q("klein")), result("_EINH", q("kurz"))}});
    const QString notice = q("\r\n>>> Results sind gefiltert <<<\r\n");
    for (int hidden = 0; hidden < 3; ++hidden) {
        options.uds = {true, hidden != 0, hidden != 1, hidden != 2};
        const QString out = run("uds");
        const char16_t *suffixes[] = {u"_EINH ", u"_INFO ", u"_TEXT "};
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(out.contains(QString(u"W" + QString::fromUtf16(suffixes[k]))), k != hidden) << hidden << k;
        EXPECT_TRUE(out.endsWith(notice));
        EXPECT_TRUE(report.lastReportFiltered());
        EXPECT_TRUE(out.contains(u"w_text"));              // the comparison is case-sensitive
        EXPECT_EQ(out.contains(u"  _EINH "), hidden != 0); // a short name compares as a whole
    }
    options.uds = {true, true, true, true};
    const QString everything = run("uds");
    EXPECT_FALSE(everything.contains(u">>>"));
    // Without SG_FUNKTIONEN the switches do not apply.
    options.uds = {false, false, false, false};
    EXPECT_EQ(run("uds"), everything);
}
