#include "testmatrix/TestRun.h"

#include "execution/JobParameter.h"
#include "execution/ReportFormat.h"
#include "execution/RunFlags.h"
#include "runtime/VedamisApi.h"
#include "shell/Clock.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"
#include "testmatrix/TestMatrix.h"
#include "testmatrix/TestRunHost.h"

#include <algorithm>
#include <limits>

namespace kitbox {

using report::nl;
using Activity = ResultsWindowRules::Activity;
using Command = TestRunHost::Command;

namespace {

constexpr int textErrorLabel = 116;

// A number right-aligned in width columns.
QString aligned(int value, int width)
{
    return QStringLiteral("%1").arg(value, width);
}

} // namespace

TestStep TestStep::fromRow(const TestMatrix &matrix, int row)
{
    auto field = [&](int column) { return matrix.cell(row, column).trimmed(); };
    TestStep s;
    s.count = TestRun::leadingNumber(field(TestMatrix::Count));
    s.description = field(TestMatrix::Description);
    s.job = field(TestMatrix::Job);
    s.dataFlag = !field(TestMatrix::DataFlag).isEmpty();
    s.arguments = field(TestMatrix::Arguments);
    s.results = field(TestMatrix::Results);
    s.output = field(TestMatrix::OutputFlag).isEmpty();
    s.logicName = field(TestMatrix::LogicName);
    s.logicValue = field(TestMatrix::LogicValue);
    s.yesStep = field(TestMatrix::LogicYes);
    s.noStep = field(TestMatrix::LogicNo);
    return s;
}

TestRun::TestRun(VedamisApi &api, Clock &clock, RunFlags &flags, TestRunHost &host, const TextCatalogue &texts)
    : m_api(api), m_clock(clock), m_flags(flags), m_host(host), m_texts(texts), m_report(api)
{
}

QString TestRun::zeitstempel(const QDateTime &time)
{
    const int ms = time.time().msecsSinceStartOfDay();
    const int tenths = (ms % 60000) / 100;
    return time.date().toString(QStringLiteral("dd.MM.yyyy ")) + QStringLiteral("%1:%2:%3.%4")
                                                                     .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                                                                     .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                                                                     .arg(tenths / 10, 2, 10, QLatin1Char('0'))
                                                                     .arg(tenths % 10);
}

int TestRun::leadingNumber(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    qint64 value = 0;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            break;
        value = std::min<qint64>(value * 10 + (ch.unicode() - u'0'), std::numeric_limits<int>::max());
    }
    return int(negative ? -value : value);
}

UdsFilterSettings TestRun::udsFilterFor(const ShellOptions &options, bool udsDescriptionLoaded)
{
    return {udsDescriptionLoaded, options.udsEinh, options.udsInfo, options.udsText};
}

void TestRun::unloadDescriptions(VedamisApi &api)
{
    const QString all = QStringLiteral("$$$$$$$$");
    api.apiJob(all, all, QString(), QString());
    qint16 sets = 0;
    (void)api.apiResultSets(sets);
}

void TestRun::starte(const TestMatrix &matrix, const QString &caption, bool singleStep)
{
    m_flags.testRun = !m_flags.testRun;
    if (!m_flags.testRun) {
        // The loop of the earlier invocation sees the cleared flag and ends.
        m_host.setTestCommand(Command::Idle);
        return;
    }
    m_host.setTestCommand(Command::Running);
    if (m_flags.continuousRun) {
        m_flags.continuousRun = false;
        m_host.continuousRunEnded();
    }
    run(matrix, caption, singleStep);
}

QString TestRun::stepHeader(int row, int repetition) const
{
    return u"Nr" + aligned(row, 2) + u'(' + aligned(repetition, 3) + u") : " + zeitstempel(m_clock.now()) + nl;
}

void TestRun::run(const TestMatrix &matrix, const QString &caption, bool singleStep)
{
    m_outcomes.clear();
    m_aborted = false;
    const QDateTime start = m_clock.now();
    m_host.startLog(caption + nl + u"Start     : " + zeitstempel(start) + nl);

    int row = singleStep ? std::clamp(m_host.cursorStep(), 1, TestMatrix::lastStep) : 1;
    bool stopped = false;
    // A branch target outside the matrix ends the run; 0 is the title row,
    // whose count reads as 0, so the run goes on with step 1.
    while (row >= 0 && row <= TestMatrix::lastStep) {
        m_host.showStep(row);
        const TestStep step = TestStep::fromRow(matrix, row);
        for (int k = 1; k <= step.count && !stopped; ++k)
            stopped = !runRepetition(step, row, k);
        if (!stopped) {
            m_host.keepAlive();
            stopped = !m_flags.testRun;
        }
        if (stopped)
            break;
        // A step that does nothing has no branch either.
        const int next = step.count > 0 ? nextStep(step, row) : row + 1;
        if (singleStep) {
            m_host.setCursorStep(next);
            break;
        }
        row = next;
    }

    const QDateTime end = m_clock.now();
    m_aborted = stopped && !singleStep;
    const double seconds = double(start.date().daysTo(end.date())) * 86400 +
                           end.time().msecsSinceStartOfDay() / 1000.0 - start.time().msecsSinceStartOfDay() / 1000.0;
    m_host.appendLog((m_aborted ? u"Abbruch   : " : u"Stop      : ") + zeitstempel(end) + nl + u"Dauer     : " +
                     QString::number(seconds, 'f', 1) + u" s" + nl);
    m_flags.testRun = false;
    m_host.setTestCommand(singleStep ? Command::IdleAfterSingleStep : Command::Idle);
}

bool TestRun::runRepetition(const TestStep &step, int row, int repetition)
{
    m_host.keepAlive();
    QString log;
    if (step.isPause()) {
        const int p = leadingNumber(step.arguments);
        if (p > 0) {
            if (step.output) {
                log = u"Nr" + aligned(row, 2) + u'(' + aligned(repetition, 3) + u") : " + zeitstempel(m_clock.now()) +
                      u"   DELAY: " + QString::number(p) + u" [ms]" + nl;
                m_host.appendLog(log);
            }
            pause(p);
        }
        return m_flags.testRun;
    }

    m_host.setActivity(Activity::Building);
    if (step.output)
        log = stepHeader(row, repetition);
    TestStepOutcome outcome{row, repetition, step.description, step.job, 0, {}};
    const quint32 started = m_clock.milliseconds();
    bool ran = false;
    if (step.runsJob()) {
        JobParameter request;
        request.sgbd = step.description;
        request.job = step.job;
        request.results = step.results;
        request.dataFlag = step.dataFlag;
        request.argumente = step.arguments;
        Result<QByteArray> data = step.dataFlag ? dataArgumentLesen(step.arguments) : Result<QByteArray>(QByteArray());
        if (!data) {
            outcome.failure = QString::fromStdString(data.error());
            if (step.output)
                log += outcome.failure + nl;
        } else {
            request.dataBytes = std::move(data).value();
            if (step.output) {
                // The report's echo without the empty line that follows it there.
                log += ErgebnisAusgabe::echoLines(request);
                if (!request.dataFlag || !request.dataBytes.isEmpty())
                    log.chop(nl.size());
            }
            m_report.startJob(request);
            ran = true;
        }
    }
    m_host.setActivity(Activity::Idle);
    if (!m_flags.testRun)
        return false;

    if (ran) {
        qint16 sets = 0;
        const bool readable = m_api.apiResultSets(sets);
        if (readable && step.output)
            logResults(log, sets);
        const qint16 code = m_report.effectiveErrorCode();
        if (code > 0) {
            const QString line =
                m_texts.text(textErrorLabel) + u' ' + QString::number(code) + u" : " + m_api.apiErrorText();
            if (step.output)
                log += u"Nr" + QString::number(row) + u'(' + QString::number(repetition) + u") : " +
                       zeitstempel(m_clock.now()) + nl + line + nl;
            outcome.failure = line;
        } else {
            outcome.failure = jobStatusFailure(readable ? sets : 0);
        }
    }
    outcome.durationMs = Clock::elapsedMs(started, m_clock.milliseconds());
    if (step.runsJob())
        m_outcomes.append(outcome);
    if (!log.isEmpty())
        m_host.appendLog(log);
    return m_flags.testRun;
}

void TestRun::logResults(QString &log, qint16 sets)
{
    // Set 0 holds the runtime's system results; the log leaves it out.
    for (qint16 set = 1; set <= sets; ++set) {
        if (sets > 1)
            log += u"Satz      : " + QString::number(set) + nl;
        qint16 count = 0;
        if (!m_api.apiResultNumber(count, set)) {
            if (m_report.effectiveErrorCode() != 0)
                return;
            count = 0;
        }
        for (qint16 index = 1; index <= count; ++index) {
            QString name;
            qint16 type = 0;
            if (m_api.apiResultName(name, index, set) && udsFilter(name, m_udsFilter) &&
                m_api.apiResultFormat(type, name, set))
                m_report.appendResult(log, name, type, set, ErgebnisAusgabe::HexColumn::Right22);
            if (m_report.effectiveErrorCode() != 0)
                return;
        }
    }
}

QString TestRun::jobStatusFailure(qint16 sets)
{
    // Jobs report their status in their last set; a job whose sets repeat it
    // has it in each.
    for (qint16 set = sets; set >= 1; --set) {
        QString status;
        if (m_api.apiResultText(status, QStringLiteral("JOB_STATUS"), set, QString()))
            return status == u"OKAY" ? QString() : u"JOB_STATUS = " + status;
    }
    return QStringLiteral("no JOB_STATUS");
}

int TestRun::nextStep(const TestStep &step, int row)
{
    const QString *target = &step.yesStep;
    if (!step.logicName.isEmpty()) {
        QString value;
        const bool read = m_api.apiResultText(value, step.logicName, 1, QString());
        if (!read || value != step.logicValue)
            target = &step.noStep;
    }
    return target->isEmpty() ? row + 1 : leadingNumber(*target);
}

void TestRun::pause(int milliseconds)
{
    // The window stays alive during a pause, and a stop ends it early;
    // otherwise the pause lasts its full length whatever input arrives.
    const quint32 begin = m_clock.milliseconds();
    while (m_flags.testRun) {
        const quint32 elapsed = Clock::elapsedMs(begin, m_clock.milliseconds());
        if (elapsed >= quint32(milliseconds))
            break;
        m_clock.wait(int(std::min<quint32>(quint32(milliseconds) - elapsed, 100)));
    }
}

} // namespace kitbox
