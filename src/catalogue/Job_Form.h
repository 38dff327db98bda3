#pragma once
// The job window: pick a job of the loaded description, enter its arguments
// and result filter, and read its arguments and results at a glance. The
// details follow the selection after the delay Verzögerung (500 ms of the
// program clock). Rules live in JobWindowRules; loading fills the window
// through the catalogue side of the main window.
#include "catalogue/JobCatalogue.h"
#include "catalogue/JobWindowRules.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class Settings;
class TextCatalogue;

namespace kitbox {

class Clock;
class DialogService;

class Job_Form : public QWidget {
    Q_OBJECT
public:
    static constexpr int delayMs = 500;

    Job_Form(JobCatalogue &catalogue, Settings &settings, const TextCatalogue &texts, DialogService &dialogs,
             Clock &clock, QWidget *parent = nullptr);

    // Loading: everything emptied, the last shown job forgotten.
    void resetForLoad();
    // Loading: the job list; entry 0 is selected when there is one.
    void showJobs(const QStringList &jobs);

    // What a job run reads.
    QString selectedJob() const;
    int selectedIndex() const;
    QString argumentText() const;
    // Replaces the argument text; the text cursor goes to its end.
    void setArgumentText(const QString &text);
    bool dataFlag() const;
    // The selected result names, or the ResultEingabe text when none is selected.
    QString resultFilter() const;

    // Prefix search (also driven by the Suchstring field).
    void sucheEintrag(const QString &text);
    // The tool tip of ArgumentEingabe becomes its text.
    void argumentTooltip();
    // The details are refreshed once the clock has moved on by the delay since
    // the last selection or argument change; returns whether they were.
    bool pollDelay();
    bool delayPending() const { return m_delayPending; }
    int lastShownIndex() const { return m_lastShown; }
    // The details panes follow the selection now (what the delay's end does).
    void refreshDetails();
    // Re-reads the captions from the text catalogue.
    void applyTexts();

    // While the batch UDS check runs the delay does nothing.
    void setBatchCheckActive(bool active) { m_batchCheckActive = active; }
    // The argument assistant: gets the assistant, the service and the current
    // argument text, returns the composed text or an empty text.
    using AssistantHandler =
        std::function<QString(JobWindowRules::Assistant, const QString &service, const QString &argument)>;
    void setAssistantHandler(AssistantHandler handler) { m_assistant = std::move(handler); }
    // The UDS result preview: lines to append to the result list for the
    // selected job and argument text (none for most jobs).
    using ResultPreview = std::function<QStringList(const QString &job, const QString &argument)>;
    void setResultPreview(ResultPreview preview) { m_resultPreview = std::move(preview); }
    // The preview's running time ("Zeit= ...ms"), shown under the result list; empty hides it.
    void setPreviewStatus(const QString &text);
    // Pops the main window's edit menu with only "Kopieren" enabled and
    // returns the command chosen (0 none, 3 copy).
    using EditMenuHandler = std::function<int(const QPoint &globalPosition)>;
    void setEditMenuHandler(EditMenuHandler handler) { m_editMenu = std::move(handler); }

signals:
    void jobDoubleClicked();
    void fileDropped(const QString &path);
    // The delay ended: the job information window and the table viewer follow.
    void jobInfoToShow(const QString &text);
    void detailsRefreshed(int index);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void jobSelected(int row);
    void restartDelay();
    void argumentEdited(const QString &text);
    void enterPressed(QComboBox *box, QStringList &history);
    void resultSelectionChanged();
    void composeArgument();
    void rightClick(QListWidget *list, const QPoint &globalPosition);
    void loadHistories();
    void storeHistories();

    JobCatalogue &m_catalogue;
    Settings &m_settings;
    const TextCatalogue &m_texts;
    DialogService &m_dialogs;
    Clock &m_clock;

    QListWidget *m_jobListe = nullptr;
    QLabel *m_jobListeHeading = nullptr;
    QLineEdit *m_suchstring = nullptr;
    QComboBox *m_argumentEingabe = nullptr;
    QFrame *m_dataFlagRahmen = nullptr;
    QCheckBox *m_dataFlag = nullptr;
    QLabel *m_argumentListe = nullptr;
    QLabel *m_argumentListeHeading = nullptr;
    QPushButton *m_btnArgumentClear = nullptr;
    QPushButton *m_btnArgumentCompose = nullptr;
    QListWidget *m_resultListe = nullptr;
    QLabel *m_resultListeHeading = nullptr;
    QComboBox *m_resultEingabe = nullptr;
    QLabel *m_previewStatus = nullptr;
    QTimer *m_verzoegerung = nullptr;

    AssistantHandler m_assistant;
    EditMenuHandler m_editMenu;
    ResultPreview m_resultPreview;
    int m_lastShown = -1;
    quint32 m_delayStart = 0;
    bool m_delayPending = false;
    bool m_batchCheckActive = false;
    bool m_historiesLoaded = false;
};

} // namespace kitbox
