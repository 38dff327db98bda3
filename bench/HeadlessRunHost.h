#pragma once
// The windows of a job run, without windows, for the benchmarks that drive
// the job runner as the results window does: one fixed job, pause 0, and
// every event round handles what the event loop has queued.
#include "execution/JobRunHost.h"
#include "execution/ResultsOutput.h"

#include <QCoreApplication>
#include <QString>

namespace bench {

class HeadlessResults : public kitbox::ResultsOutput {
public:
    void showNormal() override {}
    QString text() const override { return m_text; }
    void setText(const QString &text) override { m_text = text; }
    void appendText(const QString &more) override { m_text += more; }

private:
    QString m_text;
};

class HeadlessRunHost : public kitbox::JobRunHost {
public:
    HeadlessRunHost(QString description, QString job) : m_description(std::move(description)), m_job(std::move(job)) {}

    kitbox::JobSelection jobSelection() override
    {
        kitbox::JobSelection s;
        s.entry = m_job;
        s.index = 0;
        return s;
    }
    QString currentDescription() override { return m_description; }
    bool isUdsDescription() override { return true; }
    QStringList resultListForSorting() override { return {}; }
    kitbox::ResultsOutput &results() override { return m_results; }
    void setActivity(kitbox::ResultsWindowRules::Activity) override {}
    void setPausePanelVisible(bool) override {}
    int pauseMilliseconds() override { return 0; }
    QString resultsCaption() override { return m_caption; }
    void setResultsCaption(const QString &caption) override { m_caption = caption; }
    void setContinuousRunCommand(bool) override {}
    bool testRunCommandEnabled() override { return false; }
    void setTestRunCommandIdle() override {}
    void processEvents() override { QCoreApplication::processEvents(); }

    HeadlessResults m_results;
    QString m_caption;

private:
    QString m_description;
    QString m_job;
};

} // namespace bench
