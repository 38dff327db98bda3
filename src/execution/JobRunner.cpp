#include "execution/JobRunner.h"

#include "execution/FehlerspeicherAusgabe.h"
#include "execution/JobRunHost.h"
#include "execution/ResultsOutput.h"
#include "execution/RunFlags.h"
#include "shell/Clock.h"
#include "shell/DialogService.h"
#include "shell/Settings.h"
#include "shell/TextCatalogue.h"

namespace kitbox {

namespace {

using Activity = ResultsWindowRules::Activity;

constexpr int textErrorLabel = 116;
constexpr int textFilterNotice = 117;
constexpr int textMeanDuration = 508;

} // namespace

JobRunner::JobRunner(VedamisApi &api, Clock &clock, RunFlags &flags, JobRunHost &host, DialogService &dialogs,
                     const TextCatalogue &texts, const ShellOptions &options)
    : m_api(api), m_clock(clock), m_flags(flags), m_host(host), m_dialogs(dialogs), m_texts(texts), m_options(options),
      m_report(api)
{
    m_faultMemoryReport = [this](const QString &sgbd, const QString &job) { showFaultMemoryReport(sgbd, job); };
}

bool JobRunner::isFaultMemoryRun(const QString &job, int zemoFsMode)
{
    if ((zemoFsMode & zemoFaultMemoryBit) == 0)
        return false;
    return job == u"fs_lesen" || job == u"is_lesen" || job == u"hs_lesen";
}

QString JobRunner::runCaption(qint64 elapsedMs, qint32 mean, const QString &meanLabel)
{
    if (elapsedMs < 1001)
        return QStringLiteral("Results");
    return QStringLiteral("Results (") + meanLabel + u' ' + QString::number(mean) + QStringLiteral(" ms)");
}

qint64 JobRunner::elapsedSince(quint32 start) const
{
    // Read as a signed difference so that a clock that went back shows as
    // negative, which the one-day rule then corrects.
    qint64 elapsed = static_cast<qint32>(m_clock.milliseconds() - start);
    if (elapsed < 0)
        elapsed += dayMs;
    return elapsed;
}

ReportOptions JobRunner::reportOptions()
{
    ReportOptions o;
    o.uds.udsDescription = m_host.isUdsDescription();
    o.uds.einh = m_options.udsEinh;
    o.uds.info = m_options.udsInfo;
    o.uds.text = m_options.udsText;
    // Only -1 keeps the runtime's order; every other value groups by the list.
    if (m_options.ausgabeSortiert != -1)
        o.order = m_host.resultListForSorting();
    o.errorLabel = m_texts.text(textErrorLabel);
    o.filterNotice = m_texts.text(textFilterNotice);
    return o;
}

void JobRunner::runReport(const JobParameter &request)
{
    if (m_faultMemoryReport && isFaultMemoryRun(request.job, m_options.zemoFsMode)) {
        m_faultMemoryReport(request.sgbd, request.job);
        return;
    }
    m_host.setActivity(Activity::Building);
    m_host.results().showNormal();
    m_host.processEvents();

    ReportOptions options = reportOptions();
    for (QString &entry : options.order)
        entry = entry.toLower();
    m_lastReport = m_report.build(request, options);

    ResultsOutput &out = m_host.results();
    if (out.text() != m_lastReport)
        out.setText(m_lastReport);
    m_host.setActivity(Activity::Idle);
}

void JobRunner::showFaultMemoryReport(const QString &sgbd, const QString &job)
{
    m_host.setActivity(Activity::Building);
    m_host.processEvents();
    FehlerspeicherAusgabe report(m_api, m_texts, m_clock);
    m_lastReport = report.build(sgbd, job, m_options.zemoFsMode);
    ResultsOutput &out = m_host.results();
    if (out.text() != m_lastReport)
        out.setText(m_lastReport);
    m_host.setActivity(Activity::Idle);
}

bool JobRunner::holeJobParameter(JobParameter &request)
{
    request = JobParameter{};
    m_host.results().showNormal();
    auto gathered = jobParameterHolen(m_host.jobSelection(), m_host.currentDescription());
    if (!gathered.ok()) {
        const QString text = m_texts.isEnglish()
                                 ? QStringLiteral("The data argument holds more than %1 bytes. The job was not run.")
                                 : QStringLiteral("Das Daten-Argument hat mehr als %1 Bytes. Der Job wurde nicht "
                                                  "ausgeführt.");
        m_dialogs.message(text.arg(JobParameter::maxDataBytes), QStringLiteral("Data"), MessageIcon::Warning);
        return false;
    }
    request = std::move(gathered).value();
    if (!request.isSeparator() && !request.job.isEmpty()) {
        m_host.results().showNormal();
        m_startTime = m_clock.milliseconds();
        m_runCount = 0;
        m_meanDuration = 0;
    }
    return true;
}

void JobRunner::endTestRun()
{
    if (!m_host.testRunCommandEnabled())
        return;
    m_flags.testRun = false;
    m_host.setTestRunCommandIdle();
}

void JobRunner::showContinuousIdle()
{
    m_host.setPausePanelVisible(false);
    m_host.setContinuousRunCommand(false);
    m_host.setActivity(Activity::Idle);
}

void JobRunner::starteJob()
{
    m_flags.continuousRun = false;
    m_host.setContinuousRunCommand(false);
    m_host.setPausePanelVisible(false);
    endTestRun();

    JobParameter request;
    if (holeJobParameter(request)) {
        if (request.isSeparator())
            m_host.results().setText(QString());
        else
            runReport(request);
    }
    m_host.setResultsCaption(QStringLiteral("Results"));
}

void JobRunner::starteJobEndlos()
{
    m_flags.continuousRun = !m_flags.continuousRun;
    if (!m_flags.continuousRun) {
        // The loop of the earlier invocation sees the cleared flag and ends.
        showContinuousIdle();
        return;
    }

    m_host.setPausePanelVisible(true);
    m_host.setContinuousRunCommand(true);
    endTestRun();

    JobParameter request;
    const bool gathered = holeJobParameter(request);
    if (!gathered || request.isSeparator()) {
        if (gathered)
            m_host.results().setText(QString());
        m_flags.continuousRun = false;
        showContinuousIdle();
        return;
    }

    const QString meanLabel = m_texts.text(textMeanDuration);
    while (m_flags.continuousRun) {
        runReport(request);
        if (m_flags.continuousRun) {
            pauseWarten(m_host.pauseMilliseconds());
            ++m_runCount;
            const qint64 elapsed = elapsedSince(m_startTime);
            m_meanDuration = static_cast<qint32>(elapsed / m_runCount);
            const QString caption = runCaption(elapsed, m_meanDuration, meanLabel);
            if (caption != m_host.resultsCaption())
                m_host.setResultsCaption(caption);
        }
        m_host.processEvents();
        m_clock.wait(1);
        m_host.processEvents();
    }
}

void JobRunner::pauseWarten(int length)
{
    if (length < 1)
        return;
    m_host.setActivity(Activity::Pausing);
    const quint32 pauseStart = m_clock.milliseconds();
    qint64 elapsed = 0;
    do {
        elapsed = elapsedSince(pauseStart);
        m_host.processEvents();
        if (!m_flags.continuousRun)
            break;
        const qint64 remaining = length - elapsed;
        int sleep = 0;
        if (remaining > 2000)
            sleep = 1000;
        else if (remaining > 200)
            sleep = 100;
        else if (remaining > 30)
            sleep = 10;
        else if (remaining > 0)
            sleep = 1;
        if (sleep > 0)
            m_clock.wait(sleep);
        elapsed = elapsedSince(pauseStart);
    } while (elapsed < length);
    m_host.setActivity(Activity::Idle);
}

} // namespace kitbox
