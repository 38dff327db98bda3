#include "execution/ErgebnisAusgabe.h"

#include <gtest/gtest.h>

#include "ScriptedRuntime.h"

using namespace kitbox;
using kitbox::testing::ScriptedRuntime;

namespace {

const QString D = QStringLiteral("D_TEST");

FakeResult text(const QString &name, const QString &value)
{
    FakeResult r;
    r.name = name;
    r.type = ResultType::Text;
    r.text = value;
    return r;
}

FakeResult integer(const QString &name, ResultType type, const QString &value, const QString &hex)
{
    FakeResult r;
    r.name = name;
    r.type = type;
    r.text = value;
    const char16_t *format = u"08X";
    if (type == ResultType::Char || type == ResultType::Byte)
        format = u"02X";
    else if (type == ResultType::Integer || type == ResultType::Word)
        format = u"04X";
    r.formatted.insert(QString::fromUtf16(format), hex);
    return r;
}

FakeResult binary(const QString &name, const QByteArray &data)
{
    FakeResult r;
    r.name = name;
    r.type = ResultType::Binary;
    r.binary = data;
    return r;
}

FakeResultSet systemSet() { return {text(QStringLiteral("VARIANTE"), QStringLiteral("D_TEST"))}; }

JobParameter request(const QString &job, const QString &arguments = QString(), const QString &results = QString())
{
    JobParameter p;
    p.sgbd = D;
    p.job = job;
    p.argumente = arguments;
    p.results = results;
    p.jobIndex = 0;
    return p;
}

ReportOptions german()
{
    ReportOptions o;
    o.errorLabel = QStringLiteral("VEDAMIS Fehler");
    o.filterNotice = QStringLiteral("Results sind gefiltert");
    return o;
}

QString line(const QString &name, const QString &value)
{
    return u"  " + name.leftJustified(31) + u" = " + value + u"\r\n";
}

QStringList lines(const QString &report) { return report.split(QStringLiteral("\r\n")); }

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(runtime.apiInit()); }
    QString run(const JobParameter &p, const ReportOptions &o = german()) { return report.build(p, o); }

    ScriptedRuntime runtime;
    ErgebnisAusgabe report{runtime};
};

}  // namespace

TEST_F(ReportTest, TextJobWithSetsEchoesTheCallAndListsEverySet)
{
    runtime.setJobResults(D, QStringLiteral("status"),
                          {systemSet(), {text(QStringLiteral("STAT_TEXT"), QStringLiteral("warm"))},
                           {text(QStringLiteral("STAT_TEXT"), QStringLiteral("kalt"))}});
    const QString out = run(request(QStringLiteral("status"), QStringLiteral("a;b"), QStringLiteral("STAT_TEXT")));
    EXPECT_EQ(out, QString(u"apiJob(\"D_TEST\",\"status\",\"a;b\",\"STAT_TEXT\")\r\n\r\n"
                           u"Satz : 0\r\n" +
                           line(QStringLiteral("VARIANTE"), QStringLiteral("D_TEST")) + u"Satz : 1\r\n" +
                           line(QStringLiteral("STAT_TEXT"), QStringLiteral("warm")) + u"Satz : 2\r\n" +
                           line(QStringLiteral("STAT_TEXT"), QStringLiteral("kalt"))));
    EXPECT_EQ(report.lastErrorCode(), 0);
    EXPECT_TRUE(runtime.calls().contains(QStringLiteral("apiJob(D_TEST,status,a;b,STAT_TEXT)")));
}

TEST_F(ReportTest, JobWithoutResultSetsStillListsTheSystemSet)
{
    runtime.setJobResults(D, QStringLiteral("leer"), {systemSet()});
    const QString out = run(request(QStringLiteral("leer")));
    EXPECT_TRUE(out.endsWith(QString(u"Satz : 0\r\n" + line(QStringLiteral("VARIANTE"), QStringLiteral("D_TEST")))));
    EXPECT_FALSE(out.contains(u"Satz : 1"));
}

TEST_F(ReportTest, IntegerLinesFollowTheColumnMap)
{
    runtime.setJobResults(D, QStringLiteral("werte"),
                          {{integer(QStringLiteral("SYS_WORD"), ResultType::Word, QStringLiteral("42"),
                                    QStringLiteral("002A"))},
                           {integer(QStringLiteral("WERT"), ResultType::Word, QStringLiteral("42"),
                                    QStringLiteral("002A")),
                            integer(QStringLiteral("MINUS"), ResultType::Integer, QStringLiteral("-1"),
                                    QStringLiteral("FFFF")),
                            integer(QStringLiteral("LANG"), ResultType::DoubleWord, QStringLiteral("1094861636"),
                                    QStringLiteral("41424344")),
                            integer(QStringLiteral("ZEICHEN"), ResultType::Char, QStringLiteral("65"),
                                    QStringLiteral("41"))}});
    const QStringList l = lines(run(request(QStringLiteral("werte"))));
    // In set 0 integers get the plain line.
    EXPECT_EQ(l[3], line(QStringLiteral("SYS_WORD"), QStringLiteral("42")).chopped(2));

    const QString word = l[5];
    ASSERT_EQ(word.size(), 83) << word.toStdString();
    EXPECT_EQ(word.mid(0, 2), QStringLiteral("  "));
    EXPECT_EQ(word.mid(2, 31), QStringLiteral("WERT").leftJustified(31));
    EXPECT_EQ(word.mid(33, 3), QStringLiteral(" = "));
    EXPECT_EQ(word.mid(36, 12), QStringLiteral("42").leftJustified(12));
    EXPECT_EQ(word.mid(48, 11), QStringLiteral("      00 2A"));
    EXPECT_EQ(word.mid(59, 2), QStringLiteral("  "));
    EXPECT_EQ(word.mid(61, 8), QStringLiteral(".*").leftJustified(8));
    EXPECT_EQ(word.mid(69), QString(14, u' '));

    const QString minus = l[6];
    EXPECT_EQ(minus.mid(36, 12), QStringLiteral("-1          "));
    EXPECT_EQ(minus.mid(48, 21), QString::fromUtf16(u"      FF FF  \u00ff\u00ff      "));

    EXPECT_EQ(l[7].mid(48, 21), QStringLiteral("41 42 43 44  ABCD    "));
    EXPECT_EQ(l[8].mid(48, 21), QStringLiteral("         41  A       "));
}

TEST_F(ReportTest, LongNamesAndValuesShiftTheRestOfTheLine)
{
    const QString longName = QString(40, u'N');
    const QString longValue = QStringLiteral("12345678901234");
    runtime.setJobResults(D, QStringLiteral("lang"),
                          {systemSet(),
                           {integer(longName, ResultType::Long, longValue, QStringLiteral("00000001")),
                            text(QStringLiteral("T"), QString(300, u'x'))}});
    const QStringList l = lines(run(request(QStringLiteral("lang"))));
    EXPECT_EQ(l[5], QString(u"  " + longName + u" = " + longValue + u"00 00 00 01  ....    " + QString(14, u' ')));
    EXPECT_EQ(l[6], QString(u"  " + QStringLiteral("T").leftJustified(31) + u" = " + QString(300, u'x')));
}

TEST_F(ReportTest, HexReadFailureLeavesTheColumnBlank)
{
    runtime.setJobResults(D, QStringLiteral("hex"),
                          {systemSet(), {integer(QStringLiteral("W"), ResultType::Word, QStringLiteral("7"),
                                                 QStringLiteral("0007"))}});
    runtime.failText(1, QStringLiteral("W"), QStringLiteral("04X"), 0);
    const QStringList l = lines(run(request(QStringLiteral("hex"))));
    EXPECT_EQ(l[5], QString(u"  " + QStringLiteral("W").leftJustified(31) + u" = " +
                            QStringLiteral("7").leftJustified(12) + QString(35, u' ')));
}

TEST_F(ReportTest, RealAndTextValuesStandAfterTheEqualsSign)
{
    FakeResult real;
    real.name = QStringLiteral("SPANNUNG");
    real.type = ResultType::Real;
    real.text = QStringLiteral("12.5");
    FakeResult unknown = text(QStringLiteral("NEU"), QStringLiteral("?"));
    unknown.type = ResultType(12);
    runtime.setJobResults(D, QStringLiteral("r"), {systemSet(), {real, unknown}});
    const QStringList l = lines(run(request(QStringLiteral("r"))));
    EXPECT_EQ(l[5] + u"\r\n", line(QStringLiteral("SPANNUNG"), QStringLiteral("12.5")));
    EXPECT_EQ(l[6] + u"\r\n", line(QStringLiteral("NEU"), QStringLiteral("?")));
}

TEST_F(ReportTest, BinaryResultsGiveHeaderAndDump)
{
    runtime.setJobResults(D, QStringLiteral("bin"),
                          {{binary(QStringLiteral("SYS_BIN"), QByteArray("AB"))},
                           {binary(QStringLiteral("ACHT"), QByteArray("12345678")),
                            binary(QStringLiteral("LEER"), QByteArray())}});
    const QString out = run(request(QStringLiteral("bin")));
    const QString expected =
        QString(u"Satz : 0\r\n" + line(QStringLiteral("SYS_BIN"), QStringLiteral("2 Bytes")) +
                u"    0000 : 41 42" + QString(44, u' ') + u"  AB  \r\n" + u"Satz : 1\r\n" +
                line(QStringLiteral("ACHT"), QStringLiteral("8 Bytes")) + u"    0000 : 31 32 33 34 35 36 37 38" +
                QString(26, u' ') + u"  12345678  \r\n" + line(QStringLiteral("LEER"), QStringLiteral("0 Bytes")) +
                u"\r\n");
    EXPECT_TRUE(out.endsWith(expected)) << out.toStdString();
}

TEST_F(ReportTest, LongBinaryIsReadAgainIntoTheExtendedBufferWithoutErrorLine)
{
    QByteArray big(2000, 'z');
    runtime.setJobResults(D, QStringLiteral("gross"), {systemSet(), {binary(QStringLiteral("GROSS"), big)}});
    runtime.keepBinaryErrorAfterExtendedRead();
    const QString out = run(request(QStringLiteral("gross")));
    EXPECT_TRUE(out.contains(line(QStringLiteral("GROSS"), QStringLiteral("2000 Bytes"))));
    EXPECT_TRUE(out.contains(u"    07C0 : 7A"));
    EXPECT_FALSE(out.contains(u"VEDAMIS Fehler"));
    EXPECT_EQ(report.lastErrorCode(), 0);
    EXPECT_EQ(runtime.callCount(QStringLiteral("apiResultBinaryExt")), 1);
}

TEST_F(ReportTest, Error136BeforeAnyExtendedReadIsReported)
{
    // The job itself ends with 136 before a binary was read: nothing to forgive.
    runtime.setJobError(D, QStringLiteral("kaputt"), 136, QStringLiteral("zu lang"));
    const QString out = run(request(QStringLiteral("kaputt")));
    EXPECT_EQ(out, QStringLiteral("apiJob(\"D_TEST\",\"kaputt\",\"\",\"\")\r\n\r\nVEDAMIS Fehler 136 : zu lang\r\n"));
    EXPECT_EQ(report.lastErrorCode(), 136);
}

TEST_F(ReportTest, ExtendedReadThatFailsTooSkipsTheResultAndReportsIt)
{
    runtime.setJobResults(D, QStringLiteral("riesig"),
                          {systemSet(), {text(QStringLiteral("VORHER"), QStringLiteral("1")),
                                         binary(QStringLiteral("RIESIG"), QByteArray(3000, 'q'))}});
    runtime.failExtendedRead(QStringLiteral("RIESIG"));
    const QString out = run(request(QStringLiteral("riesig")));
    EXPECT_FALSE(out.contains(u"RIESIG"));
    // The error ends the set: its lines gathered so far are dropped.
    EXPECT_FALSE(out.contains(u"VORHER"));
    EXPECT_TRUE(out.endsWith(u"Satz : 1\r\nVEDAMIS Fehler 136 : binary result too long\r\n")) << out.toStdString();
}

TEST_F(ReportTest, FailingJobGivesEchoAndErrorLineOnly)
{
    runtime.setJobError(D, QStringLiteral("fehler_job"), 98, QStringLiteral("Steuergeraet antwortet nicht"));
    ReportOptions english = german();
    english.errorLabel = QStringLiteral("VEDAMIS Error");
    const QString out = run(request(QStringLiteral("fehler_job")), english);
    EXPECT_EQ(out, QStringLiteral("apiJob(\"D_TEST\",\"fehler_job\",\"\",\"\")\r\n\r\n"
                                  "VEDAMIS Error 98 : Steuergeraet antwortet nicht\r\n"));
}

TEST_F(ReportTest, FailedReadsWithoutErrorCodeSkipOnlyThatResult)
{
    runtime.setJobResults(D, QStringLiteral("lueckig"),
                          {systemSet(), {text(QStringLiteral("A"), QStringLiteral("1")),
                                         text(QStringLiteral("B"), QStringLiteral("2")),
                                         text(QStringLiteral("C"), QStringLiteral("3")),
                                         text(QStringLiteral("D"), QStringLiteral("4"))}});
    runtime.failName(1, 1, 0);
    runtime.failFormat(1, QStringLiteral("B"), 0);
    runtime.failText(1, QStringLiteral("C"), QString(), 0);
    const QString out = run(request(QStringLiteral("lueckig")));
    EXPECT_TRUE(out.endsWith(QString(u"Satz : 1\r\n" + line(QStringLiteral("D"), QStringLiteral("4")))))
        << out.toStdString();
}

TEST_F(ReportTest, FailedReadWithErrorCodeEndsTheReportWithTheErrorLine)
{
    const QList<FakeResultSet> sets{systemSet(),
                                    {text(QStringLiteral("A"), QStringLiteral("1")),
                                     text(QStringLiteral("B"), QStringLiteral("2"))},
                                    {text(QStringLiteral("C"), QStringLiteral("3"))}};
    struct Case {
        const char *what;
        std::function<void(ScriptedRuntime &)> inject;
    };
    const Case cases[] = {
        {"name", [](ScriptedRuntime &r) { r.failName(1, 2, 7, QStringLiteral("kaputt")); }},
        {"type", [](ScriptedRuntime &r) { r.failFormat(1, QStringLiteral("B"), 7, QStringLiteral("kaputt")); }},
        {"value", [](ScriptedRuntime &r) { r.failText(1, QStringLiteral("B"), QString(), 7, QStringLiteral("kaputt")); }},
        {"count", [](ScriptedRuntime &r) { r.failResultNumber(1, 7); }},
    };
    for (const Case &c : cases) {
        ScriptedRuntime runtime;
        ASSERT_TRUE(runtime.apiInit());
        runtime.setJobResults(D, QStringLiteral("j"), sets);
        c.inject(runtime);
        ErgebnisAusgabe report(runtime);
        const QString out = report.build(request(QStringLiteral("j")), german());
        const QString expectedEnd = QStringLiteral("Satz : 1\r\nVEDAMIS Fehler 7 : ") +
                                    (std::string_view(c.what) == "count" ? QString() : QStringLiteral("kaputt")) +
                                    QStringLiteral("\r\n");
        EXPECT_TRUE(out.endsWith(expectedEnd)) << c.what << ": " << out.toStdString();
        EXPECT_FALSE(out.contains(u"Satz : 2")) << c.what;
        EXPECT_TRUE(out.contains(u"VARIANTE")) << c.what;
        EXPECT_EQ(report.lastErrorCode(), 7) << c.what;
    }
}

TEST_F(ReportTest, ReorderingFollowsTheResultListAndPutsUnlistedNamesLast)
{
    runtime.setJobResults(D, QStringLiteral("sortiert"),
                          {{text(QStringLiteral("SYS_B"), QStringLiteral("1")),
                            text(QStringLiteral("SYS_A"), QStringLiteral("2"))},
                           {text(QStringLiteral("FREMD"), QStringLiteral("f")),
                            text(QStringLiteral("ZWEI"), QStringLiteral("2")),
                            text(QStringLiteral("EINS"), QStringLiteral("1")),
                            text(QStringLiteral("ANDERS"), QStringLiteral("a"))},
                           {text(QStringLiteral("ZWEI"), QStringLiteral("22"))}});
    ReportOptions o = german();
    o.order = {QStringLiteral("eins"), QStringLiteral("zwei"), QStringLiteral("fehlt")};
    const QString out = run(request(QStringLiteral("sortiert")), o);
    const QString expected =
        QString(u"Satz : 0\r\n" + line(QStringLiteral("SYS_B"), QStringLiteral("1")) +
                line(QStringLiteral("SYS_A"), QStringLiteral("2")) + u"Satz : 1\r\n" +
                line(QStringLiteral("EINS"), QStringLiteral("1")) + line(QStringLiteral("ZWEI"), QStringLiteral("2")) +
                line(QStringLiteral("FREMD"), QStringLiteral("f")) +
                line(QStringLiteral("ANDERS"), QStringLiteral("a")) + u"Satz : 2\r\n" +
                line(QStringLiteral("ZWEI"), QStringLiteral("22")));
    EXPECT_TRUE(out.endsWith(expected)) << out.toStdString();

    // Without a list the runtime's order stays.
    const QString plain = run(request(QStringLiteral("sortiert")));
    EXPECT_LT(plain.indexOf(u"FREMD"), plain.indexOf(u"EINS"));
}

TEST_F(ReportTest, UdsSwitchesHideTheirResultsAndAddTheNotice)
{
    runtime.setJobResults(D, QStringLiteral("uds"),
                          {systemSet(), {text(QStringLiteral("STAT_WERT"), QStringLiteral("1")),
                                         text(QStringLiteral("STAT_WERT_EINH"), QStringLiteral("km/h")),
                                         text(QStringLiteral("STAT_WERT_INFO"), QStringLiteral("Info")),
                                         text(QStringLiteral("STAT_WERT_TEXT"), QStringLiteral("Text")),
                                         text(QStringLiteral("stat_wert_text"), QStringLiteral("klein"))}});
    const QString notice = QStringLiteral("\r\n>>> Results sind gefiltert <<<\r\n");
    struct Case {
        bool einh, info, text;
        QStringList hidden;
    };
    const Case cases[] = {
        {false, true, true, {QStringLiteral("_EINH")}},
        {true, false, true, {QStringLiteral("_INFO")}},
        {true, true, false, {QStringLiteral("_TEXT")}},
        {false, false, false, {QStringLiteral("_EINH"), QStringLiteral("_INFO"), QStringLiteral("_TEXT")}},
    };
    for (const Case &c : cases) {
        ReportOptions o = german();
        o.uds = {true, c.einh, c.info, c.text};
        const QString out = run(request(QStringLiteral("uds")), o);
        for (const char16_t *suffix : {u"_EINH", u"_INFO", u"_TEXT"}) {
            const bool hidden = c.hidden.contains(QString::fromUtf16(suffix));
            EXPECT_EQ(out.contains(QString(u"STAT_WERT" + QString::fromUtf16(suffix) + u' ')), !hidden)
                << QString::fromUtf16(suffix).toStdString();
        }
        EXPECT_TRUE(out.endsWith(notice));
        EXPECT_TRUE(report.lastReportFiltered());
        // The comparison is case-sensitive: the lower-case name is never hidden.
        EXPECT_TRUE(out.contains(u"stat_wert_text"));
    }

    ReportOptions all = german();
    all.uds = {true, true, true, true};
    const QString everything = run(request(QStringLiteral("uds")), all);
    EXPECT_FALSE(everything.contains(u">>>"));
    EXPECT_TRUE(everything.contains(u"STAT_WERT_TEXT"));

    // A description without SG_FUNKTIONEN ignores the switches.
    ReportOptions plain = german();
    plain.uds = {false, false, false, false};
    EXPECT_EQ(run(request(QStringLiteral("uds")), plain), everything);
}

TEST(UdsFilter, ShortNamesCompareAsAWhole)
{
    const UdsFilterSettings hideAll{true, false, false, false};
    EXPECT_FALSE(udsFilter(u"_EINH", hideAll));
    EXPECT_TRUE(udsFilter(u"EINH", hideAll));
    EXPECT_TRUE(udsFilter(u"X_EINHX", hideAll));
    EXPECT_FALSE(udsFilter(u"A_INFO", hideAll));
}

TEST_F(ReportTest, DataArgumentsAreEchoedWithCountAndDump)
{
    runtime.setJobResults(D, QStringLiteral("daten"), {systemSet()});
    JobParameter p = request(QStringLiteral("daten"), QStringLiteral("01 02 03"), QStringLiteral("R"));
    p.dataFlag = true;
    p.dataBytes = QByteArray::fromHex("010203");
    const QString out = run(p);
    EXPECT_TRUE(out.startsWith(QString(u"apiJobData(\"D_TEST\",\"daten\",{DATA}, 3,\"R\")\r\n"
                                       u"  {DATA}: 3 Bytes\r\n"
                                       u"    0000 : 01 02 03" +
                                       QString(41, u' ') + u"  ...  \r\n\r\nSatz : 0\r\n")))
        << out.toStdString();
    EXPECT_EQ(runtime.lastJobData(), p.dataBytes);
    EXPECT_EQ(runtime.callCount(QStringLiteral("apiJob")), 0);

    p.dataBytes.clear();
    EXPECT_TRUE(run(p).startsWith(u"apiJobData(\"D_TEST\",\"daten\",{DATA}, 0,\"R\")\r\n  {DATA}: 0 Bytes\r\n\r\nSatz : 0"));
}
