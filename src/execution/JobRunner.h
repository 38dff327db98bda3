#pragma once
// Running the selected job once or continuously, the pause between passes
// and the run statistics in the results window's caption. Everything runs on
// the user-interface thread: the continuous loop and the pause keep the
// window alive by handling events, and a command issued meanwhile (a second
// continuous-run command, a single run, a test run) talks to the loop through
// the program-wide run flags.
#include <QString>

#include <functional>

#include "execution/ErgebnisAusgabe.h"
#include "execution/JobParameter.h"

class TextCatalogue;
struct ShellOptions;

namespace kitbox {

class Clock;
class DialogService;
class JobRunHost;
class VedamisApi;
struct RunFlags;

class JobRunner {
public:
    // A pause start that seems to lie in the future is one day off (the
    // timer is read modulo one day).
    static constexpr qint64 dayMs = 86400000;
    // Zemo fault-memory mode bit of ZEMO_FS_MODE.
    static constexpr int zemoFaultMemoryBit = 256;

    JobRunner(VedamisApi &api, Clock &clock, RunFlags &flags, JobRunHost &host, DialogService &dialogs,
              const TextCatalogue &texts, const ShellOptions &options);

    // StarteJob and the double click in the job list.
    void starteJob();
    // StarteJobEndlos: starts the continuous run, or stops the running one.
    void starteJobEndlos();
    // PauseWarten: waits length ms in sleeps of 1000, 100, 10 or 1 ms,
    // ending early when the continuous run is stopped.
    void pauseWarten(int length);

    // Builds one report for the request into the results window (lamp, event
    // handling, written only when different), or hands it to the
    // fault-memory report when that mode applies.
    void runReport(const JobParameter &request);

    // The fault-memory report that takes over fs_lesen, is_lesen and
    // hs_lesen in Zemo mode: FehlerspeicherAusgabe into the results window
    // unless another one is put in its place. Without one those jobs get the
    // ordinary report.
    using FaultMemoryReport = std::function<void(const QString &sgbd, const QString &job)>;
    void setFaultMemoryReport(FaultMemoryReport report) { m_faultMemoryReport = std::move(report); }
    static bool isFaultMemoryRun(const QString &job, int zemoFsMode);

    // The report options the current settings and job window give.
    ReportOptions reportOptions();

    // Statistics of the current continuous run.
    qint32 runCount() const { return m_runCount; }
    qint32 meanDuration() const { return m_meanDuration; }
    quint32 startTime() const { return m_startTime; }
    // The text of the last report built, as the results window got it.
    const QString &lastReport() const { return m_lastReport; }

    // "Results", or "Results (" + text 508 + " <mean> ms)" once more than
    // 1000 ms have passed since the start.
    static QString runCaption(qint64 elapsedMs, qint32 mean, const QString &meanLabel);

private:
    // Gathers the request; a data argument that is too long is told to the
    // user and gives no request.
    bool holeJobParameter(JobParameter &request);
    void endTestRun();
    void showContinuousIdle();
    qint64 elapsedSince(quint32 start) const;
    // The built-in fault-memory report: lamp, event handling, written only when different.
    void showFaultMemoryReport(const QString &sgbd, const QString &job);

    VedamisApi &m_api;
    Clock &m_clock;
    RunFlags &m_flags;
    JobRunHost &m_host;
    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    const ShellOptions &m_options;
    ErgebnisAusgabe m_report;
    FaultMemoryReport m_faultMemoryReport;

    quint32 m_startTime = 0;
    qint32 m_runCount = 0;
    qint32 m_meanDuration = 0;
    QString m_lastReport;
};

} // namespace kitbox
