// Reading telegrams out of interface traces, recording them into simulation
// files, and checking simulation text line by line.
#include "trace/SimulationCheck.h"
#include "trace/SimulationRecorder.h"
#include "trace/TraceReader.h"

#include <vedamis/SimulationFile.h>

#include <gtest/gtest.h>

using namespace kitbox;
using namespace Qt::StringLiterals;

namespace {

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// One exchange as "REQ>RSP", "REQ>NONE", with "@ms" for a delay.
QStringList summary(const TraceReading &reading)
{
    QStringList out;
    for (const TraceExchange &e : reading.exchanges)
        out << hex(e.request) + u'>' + (e.delayMs ? u'@' + QString::number(e.delayMs) + u' ' : QString()) +
                   (e.noResponse ? u"NONE"_s : hex(e.response)) +
                   (e.description.isEmpty() ? QString() : u" " + e.description);
    return out;
}

struct ReadCase {
    const char *name;
    const char *trace;
    QStringList exchanges; // empty with an error
    const char *error;     // part of the error, or nullptr
    int unanswered = 0;
};

TEST(TraceReader, TelegramsOfEveryLevelAndBrokenLines)
{
    const ReadCase cases[] = {
        {"level 1 with time stamps",
         "; IFH.TRC trace level 1 from 2026-12-05 19:52:55\n"
         "19:52:56.001 REQ 22 F4 0C\n19:52:56.002 RSP 62 F4 0C 0B B8\n",
         {u"22 F4 0C>62 F4 0C 0B B8"_s},
         nullptr},
        {"level 2 names the job, CR LF line ends",
         "10:00:00.000 JOB D_MOTOR STATUS ARG \"\"\r\n10:00:00.001 REQ 22F40C\r\n"
         "10:00:00.002 NRS no response\r\n10:00:00.003 END D_MOTOR STATUS sets 0 error 50\r\n"
         "10:00:00.004 REQ 3E 00\r\n10:00:00.005 RSP 7E 00\r\n",
         {u"22 F4 0C>NONE D_MOTOR"_s, u"3E 00>7E 00"_s},
         nullptr},
        {"level 3 detail comments and the simulation's delay",
         "10:00:00.000 REQ 19 02 FF  ; 3 bytes\n10:00:00.000 SIM D_MOTOR.SIM:4 delay 200 ms\n"
         "10:00:00.200 RSP 59 02 FF  ; 3 bytes, 200 ms\n",
         {u"19 02 FF>@200 59 02 FF"_s},
         nullptr},
        {"lines of other interfaces and job errors are passed over",
         "10:00:00.000 DOIP connect 10.0.0.1:13400\n10:00:00.000 ERR D_MOTOR X 40 text\n"
         "something else entirely\n10:00:00.001 REQ 22 F1 90\n10:00:00.002 RSP 62 F1 90\n",
         {u"22 F1 90>62 F1 90"_s},
         nullptr},
        {"a request cut off by the end of the file", "10:00:00.000 REQ 22 F1 90\n", {}, nullptr, 1},
        {"an answer without a request", "10:00:00.000 RSP 62 F1 90\n", {}, "line 1: answer without a request"},
        {"a byte that is no hex", "REQ 22 F1\nRSP 62 ZZ\n", {}, "line 2: 'ZZ' is not a hex byte"},
        {"a line cut in the middle of a byte", "REQ 22 F1\nRSP 62 F", {}, "line 2: odd number of hex digits"},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        const auto reading = readTraceTelegrams(QByteArrayView(c.trace));
        if (c.error) {
            ASSERT_FALSE(reading.ok());
            EXPECT_NE(reading.error().find(c.error), std::string::npos) << reading.error();
            continue;
        }
        ASSERT_TRUE(reading.ok()) << reading.error();
        EXPECT_EQ(summary(reading.value()), c.exchanges);
        EXPECT_EQ(reading.value().unansweredRequests, c.unanswered);
    }
}

TEST(SimulationRecorder, ShortestCycle)
{
    const struct {
        QStringList responses;
        qsizetype cycle;
    } cases[] = {
        {{u"A"_s}, 1},
        {{u"A"_s, u"A"_s, u"A"_s}, 1},
        {{u"A"_s, u"B"_s, u"A"_s, u"B"_s, u"A"_s}, 2},
        {{u"A"_s, u"A"_s, u"B"_s}, 3},
        {{u"A"_s, u"B"_s, u"A"_s, u"A"_s}, 3},
        {{u"A"_s, u"B"_s, u"C"_s, u"B"_s}, 4},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SimulationRecorder::cycleLength(c.responses), c.cycle) << c.responses.join(u',').toStdString();
}

// Cycling answers, no answer and a delay recorded from a trace of two
// descriptions. (A replay of a whole session: RecordReplayTest.)
TEST(SimulationRecorder, RecordsTheTelegramsOfOneDescription)
{
    const QByteArray trace = "; IFH.TRC trace level 3 from 2026-12-05 19:52:55\n"
                             "10:00:00.000 JOB D_MOTOR STATUS ARG \"\"\n"
                             "10:00:00.000 REQ 22 F4 0C  ; 3 bytes\n10:00:00.000 RSP 62 F4 0C 0B B8\n"
                             "10:00:00.000 REQ 22 F4 0C\n10:00:00.000 RSP 62 F4 0C 0F A0\n"
                             "10:00:00.000 REQ 31 01 02\n10:00:00.000 NRS no response\n"
                             "10:00:00.000 REQ 31 01 02  ; 3 bytes, repeated\n10:00:00.000 RSP 71 01 02\n"
                             "10:00:00.000 REQ 19 02 FF\n10:00:00.000 SIM D_MOTOR.SIM:4 delay 150 ms\n"
                             "10:00:00.150 RSP 59 02 FF\n"
                             "10:00:00.000 END D_MOTOR STATUS sets 1 error 0\n"
                             "10:00:00.000 JOB D_ALT IDENT ARG \"\"\n"
                             "10:00:00.000 REQ 1A 80\n10:00:00.000 RSP 5A 80 01\n"
                             "10:00:00.000 END D_ALT IDENT sets 1 error 0\n"
                             "10:00:00.000 REQ 22 F4 0C\n10:00:00.000 RSP 62 F4 0C 0B B8\n"
                             "10:00:00.000 REQ 22 F4 0C\n10:00:00.000 RSP 62 F4 0C 0F A0\n"
                             "10:00:00.000 REQ 31 01 02\n10:00:00.000 NRS no response\n"
                             // An empty answer (possible on other interfaces) has no simulation form.
                             "10:00:00.000 REQ 22 01\n10:00:00.000 RSP\n";
    const auto recording = SimulationRecorder::record(trace, u"d_motor"_s);
    ASSERT_TRUE(recording.ok()) << recording.error();
    EXPECT_EQ(recording.value().telegrams, 8);
    EXPECT_EQ(recording.value().skipped, 2); // D_ALT's telegram and the empty answer
    EXPECT_EQ(recording.value().entries, 3);
    EXPECT_TRUE(recording.value().text.contains(u"22 F4 0C = 62 F4 0C 0B B8 | 62 F4 0C 0F A0\n"_s))
        << recording.value().text.toStdString();
    EXPECT_TRUE(recording.value().text.contains(u"19 02 FF = @150 59 02 FF\n"_s));
    EXPECT_TRUE(recording.value().text.contains(u"31 01 02 = NONE | 71 01 02\n"_s));
    EXPECT_TRUE(SimulationCheck::check(recording.value().text).isEmpty());

    // The runtime's simulation reader takes the file as it is.
    vedamis::SimulationFile file;
    std::string error;
    const QByteArray text = recording.value().text.toUtf8();
    EXPECT_TRUE(file.parse(std::string_view(text.constData(), size_t(text.size())), "R.SIM", error)) << error;
}

TEST(SimulationRecorder, RefusesWhatCannotBeRecordedOrOverwritten)
{
    EXPECT_FALSE(SimulationRecorder::record(QByteArrayView("; IFH.TRC trace level 0\n"), QString()).ok());
    const QByteArray other = "JOB D_ALT IDENT ARG \"\"\nREQ 1A 80\nRSP 5A 80\nEND D_ALT IDENT sets 1 error 0\n";
    const auto none = SimulationRecorder::record(other, u"D_MOTOR"_s);
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.error().find("D_MOTOR"), std::string::npos);

    // Refusing to overwrite an existing file is checked through record-sim (RecordReplayTest).
}

TEST(SimulationCheck, MarksEveryFaultyLine)
{
    const QString text = u"; engine speed\n"
                         "22 F4 0C = 62 F4 0C 0B B8 | 62 F4 0C 0F A0\n"
                         "22 F4 0C 62\n"
                         "22 ZZ = 62\n"
                         "\n"
                         "22 = @70000 62   # too slow\n"
                         "31 01 ?? ?? * = 7F 31 22\n"
                         "22 * 0C = 62\r\n"_s;
    const QList<SimulationFault> expected = {
        {3, u"'=' missing between request and response"_s},
        {4, u"'ZZ' is not a hex byte"_s},
        {6, u"delay 70000 ms above 60000"_s},
        {8, u"'*' may only end a request"_s},
    };
    EXPECT_EQ(SimulationCheck::check(text), expected);
}

TEST(SimulationCheck, LineParts)
{
    const struct {
        const char *line;
        int request, responseStart, response, commentStart, comment;
    } cases[] = {
        {"22 F4 = 62 F4 ; speed", 6, 7, 7, 14, 7},
        {"# only a comment", 0, 0, 0, 0, 16},
        {"22 F4 62", 8, 0, 0, 0, 0},
        {"3E 00 = NONE", 6, 7, 5, 0, 0},
    };
    for (const auto &c : cases) {
        const SimulationLineParts p = SimulationCheck::parts(QString::fromLatin1(c.line));
        EXPECT_EQ((QList<int>{p.requestLength, p.responseStart, p.responseLength, p.commentStart, p.commentLength}),
                  (QList<int>{c.request, c.responseStart, c.response, c.commentStart, c.comment}))
            << c.line;
    }
}

} // namespace
