#pragma once
// The test run: walks the steps of a test matrix, runs their jobs at the
// runtime, writes a time-stamped log and follows each step's branch. It is a
// loop on the user-interface thread, like the continuous job run: between
// repetitions it lets pending commands run, and the stop command reaches it
// only through the program-wide test-run flag.
#include "execution/ErgebnisAusgabe.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TextCatalogue;
struct ShellOptions;

namespace kitbox {

class Clock;
class TestMatrix;
class TestRunHost;
class VedamisApi;
struct RunFlags;

// One step of the matrix as the run reads it (cells trimmed).
struct TestStep {
    int count = 0;
    QString description;
    QString job;
    bool dataFlag = false;
    QString arguments;
    QString results;
    bool output = true;
    QString logicName;
    QString logicValue;
    QString yesStep;
    QString noStep;

    bool isPause() const { return job.toUpper() == u"&DELAY"; }
    bool runsJob() const { return !description.isEmpty() || !job.isEmpty(); }

    static TestStep fromRow(const TestMatrix &matrix, int row);
};

// What one repetition of a job step ended with.
struct TestStepOutcome {
    int step = 0;
    int repetition = 0;
    QString description;
    QString job;
    qint64 durationMs = 0;
    QString failure; // empty: the job ran and its JOB_STATUS was "OKAY"

    bool passed() const { return failure.isEmpty(); }
};

class TestRun {
public:
    TestRun(VedamisApi &api, Clock &clock, RunFlags &flags, TestRunHost &host, const TextCatalogue &texts);

    // StarteTest (singleStep false) and StarteTestschritt (true): stops the
    // running test, or starts one. caption is the test editor's caption, the
    // first line of the log. The matrix is read step by step, so edits made
    // between steps take effect.
    void starte(const TestMatrix &matrix, const QString &caption, bool singleStep);

    // Which UDS helper results the log leaves out.
    void setUdsFilter(const UdsFilterSettings &filter) { m_udsFilter = filter; }
    // The filter of a run: the UDS switches of the settings, which count only
    // while the loaded description has the table SG_FUNKTIONEN. The window
    // and kitbox32-cli test both take it from here, so that their logs agree.
    static UdsFilterSettings udsFilterFor(const ShellOptions &options, bool udsDescriptionLoaded);

    // The repetitions of job steps the last run executed, in order.
    const QList<TestStepOutcome> &outcomes() const { return m_outcomes; }
    // True when the last full run ended because its flag was cleared.
    bool aborted() const { return m_aborted; }

    // Zeitstempel: "dd.mm.yyyy hh:mm:ss.s".
    static QString zeitstempel(const QDateTime &time);
    // A count, pause or step number: an optional sign and the leading digits
    // of the trimmed text; anything else gives 0.
    static int leadingNumber(QStringView text);

    // Unloads every description at the runtime (the editor does this when it closes).
    static void unloadDescriptions(VedamisApi &api);

private:
    void run(const TestMatrix &matrix, const QString &caption, bool singleStep);
    // One repetition; false when the run was stopped meanwhile.
    bool runRepetition(const TestStep &step, int row, int repetition);
    void pause(int milliseconds);
    QString stepHeader(int row, int repetition) const;
    void logResults(QString &log, qint16 sets);
    QString jobStatusFailure(qint16 sets);
    int nextStep(const TestStep &step, int row);

    VedamisApi &m_api;
    Clock &m_clock;
    RunFlags &m_flags;
    TestRunHost &m_host;
    const TextCatalogue &m_texts;
    ErgebnisAusgabe m_report;
    UdsFilterSettings m_udsFilter;
    QList<TestStepOutcome> m_outcomes;
    bool m_aborted = false;
};

} // namespace kitbox
