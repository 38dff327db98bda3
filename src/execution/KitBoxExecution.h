#pragma once
// The main window's side of job execution: the commands StarteJob (F5, job
// list double click) and StarteJobEndlos (F6) drive the run control, which
// reads the job window and writes into the results window through this host.
#include "execution/JobRunHost.h"
#include "execution/JobRunner.h"

#include <QObject>

#include <memory>

namespace kitbox {

class KitBox;
class KitBoxCatalogue;
struct KitBoxServices;

class KitBoxExecution : public QObject, public JobRunHost {
    Q_OBJECT
public:
    KitBoxExecution(KitBox &kitbox, const KitBoxServices &services, VedamisApi &api, KitBoxCatalogue &catalogue,
                    QObject *parent = nullptr);
    ~KitBoxExecution() override;

    JobRunner &runner() { return *m_runner; }

    void starteJob();
    void starteJobEndlos();

    // --- JobRunHost ------------------------------------------------------
    JobSelection jobSelection() override;
    QString currentDescription() override;
    bool isUdsDescription() override;
    QStringList resultListForSorting() override;
    ResultsOutput &results() override;
    void setActivity(ResultsWindowRules::Activity activity) override;
    void setPausePanelVisible(bool visible) override;
    int pauseMilliseconds() override;
    QString resultsCaption() override;
    void setResultsCaption(const QString &caption) override;
    void setContinuousRunCommand(bool running) override;
    bool testRunCommandEnabled() override;
    void setTestRunCommandIdle() override;
    void processEvents() override;

private:
    void connectJobForm();

    KitBox &m_kitbox;
    const TextCatalogue &m_texts;
    KitBoxCatalogue &m_catalogue;
    std::unique_ptr<JobRunner> m_runner;
};

} // namespace kitbox
