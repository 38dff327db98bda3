#include "cli/TestCommand.h"

#include "cli/CliLoading.h"
#include "execution/RunFlags.h"
#include "shell/Clock.h"
#include "shell/FileSave.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestDocument.h"
#include "testmatrix/TestFile.h"
#include "testmatrix/TestJunitReport.h"
#include "testmatrix/TestRun.h"
#include "testmatrix/TestRunHost.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <unistd.h>

#include <csignal>

namespace kitbox {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

// Ctrl+C (or a TERM from a build server) stops the run the way the stop
// command does, so a looping test still ends with its log, duration and report.
class InterruptGuard {
public:
    InterruptGuard()
    {
        interrupted = 0;
        m_int = std::signal(SIGINT, onInterrupt);
        m_term = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptGuard()
    {
        std::signal(SIGINT, m_int);
        std::signal(SIGTERM, m_term);
    }
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
    void (*m_int)(int);
    void (*m_term)(int);
};

// The log goes to standard output as the results window would show it.
class ConsoleTestHost : public TestRunHost {
public:
    ConsoleTestHost(QTextStream &out, RunFlags &flags, int step)
        : m_out(out), m_flags(flags), m_step(step), m_terminal(isatty(STDOUT_FILENO) != 0)
    {
        m_sinceFlush.start();
    }

    void startLog(const QString &text) override { appendLog(text); }
    // On a terminal every repetition shows up at once; into a pipe or file
    // fast repetitions are written in batches, which saves a write each.
    void appendLog(const QString &text) override
    {
        m_out << text;
        if (m_terminal || m_sinceFlush.elapsed() >= flushMs) {
            m_out.flush();
            m_sinceFlush.restart();
        }
    }
    void setActivity(ResultsWindowRules::Activity) override {}
    void keepAlive() override
    {
        if (interrupted)
            m_flags.testRun = false;
    }
    void showStep(int) override {}
    int cursorStep() override { return m_step; }
    void setCursorStep(int row) override { m_step = row; }
    void setTestCommand(Command) override {}
    void continuousRunEnded() override {}

private:
    static constexpr int flushMs = 100;
    QTextStream &m_out;
    RunFlags &m_flags;
    int m_step;
    bool m_terminal;
    QElapsedTimer m_sinceFlush;
};

} // namespace

QString testUsage()
{
    return QStringLiteral(
        "usage: kitbox32-cli test FILE.tst [--step N] [--junit FILE.xml] [--language de|en]\n"
        "  FILE.tst           test file: the steps of a test matrix\n"
        "  --step N           run only step N (1 to 15) as the single-step command does\n"
        "  --junit FILE.xml   also write a JUnit-style report, one test case per repetition of a job step\n"
        "  --language de|en   language of the log's texts\n"
        "The log goes to standard output with CR LF line ends, as the results window shows it.\n"
        "Ctrl+C stops a running test (a test can loop) as the stop command does.\n"
        "Exit code 0 when every job ran with JOB_STATUS OKAY and no runtime error; 2 when a job\n"
        "failed or the run was stopped; 1 for a wrong command line, a missing or unreadable test\n"
        "file or a report that cannot be written.\n");
}

Result<TestRequest> parseTestArguments(const QStringList &words)
{
    using R = Result<TestRequest>;
    TestRequest request;
    QStringList positional;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == u"--step" || word == u"--junit" || word == u"--language") {
            if (i + 1 >= words.size())
                return R::failure(word.toStdString() + " needs a value");
            const QString value = words.at(++i);
            if (word == u"--step") {
                bool ok = false;
                request.step = value.toInt(&ok);
                if (!ok || request.step < 1 || request.step > TestMatrix::lastStep)
                    return R::failure("--step needs a step number from 1 to 15, not \"" + value.toStdString() + "\"");
            } else if (word == u"--junit") {
                if (value.isEmpty())
                    return R::failure("--junit needs a file name");
                request.junitPath = value;
            } else {
                request.language = value.toLower();
                if (request.language != u"de" && request.language != u"en")
                    return R::failure("--language takes de or en, not \"" + value.toStdString() + "\"");
            }
        } else if (word.startsWith(u"--") && word.size() > 2) {
            return R::failure("unknown option " + word.toStdString());
        } else {
            positional << word;
        }
    }
    if (positional.size() != 1)
        return R::failure("test needs exactly one test file");
    request.file = positional.first();
    return request;
}

int runTestCommand(const TestRequest &request, VedamisApi &api, DialogService &dialogs, Clock &clock, QTextStream &out,
                   QTextStream &err)
{
    Settings settings;
    readCliSettings(request.settingsFilePath, request.language, settings);
    const TextCatalogue &texts = TextCatalogue::shared();
    if (!isTestFileName(request.file)) {
        err << request.file << ": " << texts.text(506) << Qt::endl;
        return testNotRun;
    }
    TestDocument document(dialogs, texts, api);
    if (!document.load(request.file))
        return testNotRun;

    RunFlags flags;
    ConsoleTestHost host(out, flags, request.step);
    TestRun run(api, clock, flags, host, texts);
    // The command loads no description of its own, like a window that has
    // none loaded: the UDS switches then hide nothing.
    run.setUdsFilter(TestRun::udsFilterFor(settings.options(), false));
    {
        const InterruptGuard guard;
        run.starte(document.matrix(), document.caption(), request.step > 0);
        out.flush();
    }

    if (!request.junitPath.isEmpty()) {
        const QString xml = testJunitReport(QFileInfo(request.file).fileName(), run.outcomes(), run.aborted());
        const Status saved = saveFileAtomically(request.junitPath, xml.toUtf8());
        if (!saved) {
            err << QString::fromStdString(saved.error()) << Qt::endl;
            return testNotRun;
        }
    }
    if (run.aborted())
        return testFailed;
    for (const TestStepOutcome &o : run.outcomes())
        if (!o.passed())
            return testFailed;
    return testPassed;
}

int testCommandMain(const QStringList &words, QTextStream &out, QTextStream &err)
{
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        out << testUsage();
        out.flush();
        return 0;
    }
    auto request = parseTestArguments(words);
    if (!request) {
        err << QString::fromStdString(request.error()) << "\n" << testUsage();
        err.flush();
        return testNotRun;
    }
    return runWithCliSession(err, [&](CliSession &session) {
        request.value().settingsFilePath = session.settingsFilePath;
        SystemClock clock;
        return runTestCommand(request.value(), session.api, session.dialogs, clock, out, err);
    });
}

} // namespace kitbox
