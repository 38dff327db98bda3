#pragma once
// The main window: parent of every other window, owner of the menus, the
// toolbar, the header and hint lines, the start picture and the timers. Its
// load runs the start-up, its close the shut-down. Rules live in the core
// (MainMenuModel, MainWindowRules, StartSequence); this class shows and
// forwards.
#include "execution/ResultsOutput.h"
#include "execution/RunFlags.h"
#include "shell/FirstRunLayout.h"
#include "shell/Settings.h"
#include "shell/StartSequence.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolButton;
class InstanceRegistry;
class TextCatalogue;

namespace kitbox {

class Clock;
class DialogService;
class Res_Form;
class RuntimeSession;

struct KitBoxServices {
    Settings &settings;
    TextCatalogue &texts;
    DialogService &dialogs;
    RuntimeSession &runtime;
    InstanceRegistry &registry;
    Clock &clock;
    SettingsLocations locations;
    // Whether the system lists a printer; without one the print entry is hidden.
    // Asked once the window is first on screen: the printing system can be
    // slow to answer and the window need not wait for it.
    std::function<bool()> printerInstalled;
};

class KitBox : public QMainWindow {
    Q_OBJECT
public:
    explicit KitBox(const KitBoxServices &services, QWidget *parent = nullptr);
    ~KitBox() override;

    // The size the start picture is shown at while the client area has room for it.
    static constexpr QSize startPictureSize{480, 320};

    // The start-up: settings, instance, runtime session, placement, texts.
    // Anything but Run means: end the process without showing the window.
    // beforeMeasuringText runs once, before the window first measures text
    // (the program waits there for the fonts read in the background).
    StartSequence::Outcome load(const QString &rawCommandLine, const std::function<void()> &beforeMeasuringText = {});

    QAction *menuAction(const QString &objectName) const { return m_actions.value(objectName); }
    QMenu *menu(const QString &objectName) const { return m_menus.value(objectName); }
    QToolButton *toolbarButton(int index) const { return m_buttons.value(index); }
    QMenu *editMenu() const { return m_editMenu; }
    RunFlags &runFlags() { return m_runFlags; }
    const StartSequence &startSequence() const { return m_start; }
    QString commandLine() const { return m_start.commandLine(); }

    // The results window as the reports see it (created on first use).
    ResultsOutput &results();
    Res_Form *resultsWindow(bool create);
    QMdiArea *mdiArea() const { return m_mdi; }

    // Public operations of the main window.
    void openFile(const QString &path);
    void showStartPicture(bool show);
    bool startPictureShown() const { return m_startPictureFlag; }
    void setHint(const QString &text);
    void setEditorStatus(bool active, bool readOnly, bool overwrite, int line, int lineCount, int column);
    void setPrintSource(const QString &text, const QString &caption);
    // A window with nothing to print: the print command is disabled.
    void clearPrintSource();
    // The trace menu entries from the runtime's trace state and file.
    void updateTraceMenu();
    // Steps the unload runs before the settings are written, in the order
    // added; one that returns false refuses the close and the program goes on.
    void addUnloadStep(std::function<bool()> step) { m_unloadSteps.push_back(std::move(step)); }
    void applyLanguage();
    // Shows or hides the toolbar, header and hint line as the settings say.
    void applyDisplayOptions();
    // Enters an opened file at the top of the recent files (nothing for a
    // missing file) and shows the list in the Datei menu.
    void addRecentFile(const QString &path);
    void updateRecentFiles();
    void toolbarClicked(int index);
    // Pops the right-mouse edit menu and returns the edit command chosen (0: none).
    // Shows the edit menu; a window may add its own entries below it for this
    // one time (they trigger themselves and give 0).
    int popupEditMenu(const QPoint &globalPosition, const QList<QAction *> &extra = {});
    int editCommand() const { return m_editCommand; }
    // Prints the print source (text pages) on the given printer name; empty: the default printer.
    void printSource();
    void printSourceToPdf();
    int minimumWidthTwips() const { return m_minimumWidthTwips; }
    int toPixels(int twips) const;
    int toTwips(int pixels) const;
    // Enables Timer_CASCADE_TEST, which ends the program once no test run is active.
    void startBatchEndTimer();
    bool printerChecked() const { return m_printerChecked; }

signals:
    // Opening a description (SGBD_Laden) or a test file; connected by the
    // windows that carry them out.
    void descriptionRequested(const QString &path);
    void testFileRequested(const QString &path);
    // A table or test matrix print source is printed by its own window.
    void gridPrintRequested(const QString &caption);
    // The window has been painted for the first time.
    void firstShown();
    // A test file with trace levels was named on the command line: the test
    // run starts it and then calls startBatchEndTimer().
    void batchTestRequested(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    class ResultsHost;

    void buildMenus();
    void buildToolbar();
    void buildHeader();
    void buildClientArea();
    void buildHintLine();
    void connectCommands();
    void placeWindow();
    void layoutHeader();
    void layoutStartPicture();
    void applyPanels();
    void firstResizeWork();
    void placeFirstRunChildren();
    void storeFirstRunPlacement(const QString &prefix, const FirstRunLayout::Rect &rect);
    void datumTick();
    void cascadeTick();
    void fillWindowMenu();
    void arrange(int how);
    void storePlacement();
    void checkPrinter();

    KitBoxServices m_services;
    StartSequence m_start;
    RunFlags m_runFlags;
    std::unique_ptr<ResultsHost> m_results;
    QPointer<Res_Form> m_resForm;

    QHash<QString, QAction *> m_actions;
    QHash<QString, QMenu *> m_menus;
    QHash<int, QToolButton *> m_buttons;
    QMenu *m_editMenu = nullptr;
    QWidget *m_toolBar = nullptr;
    QLabel *m_logo = nullptr;
    QWidget *m_kopfzeile = nullptr;
    QLabel *m_logoFrame = nullptr;
    QLabel *m_titel = nullptr;
    QLabel *m_firma = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_datum = nullptr;
    QMdiArea *m_mdi = nullptr;
    QWidget *m_bilderRahmen = nullptr;
    QLabel *m_startBild = nullptr;
    QSize m_startBildDrawnSize; // the size the start picture was last drawn at
    QWidget *m_hinweiszeile = nullptr;
    QLabel *m_hinweisLabel = nullptr;
    QLabel *m_editorPosition = nullptr;
    QLabel *m_editorMode = nullptr;
    QTimer *m_datumTimer = nullptr;
    QTimer *m_cascadeTimer = nullptr;
    QList<QAction *> m_windowListActions;
    std::vector<std::function<bool()>> m_unloadSteps;

    QString m_printText;
    QString m_printCaption;
    int m_minimumWidthTwips = 0;
    int m_editCommand = 0;
    bool m_startPictureFlag = false;
    bool m_firstResizeDone = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_shownOnce = false;
    bool m_printerChecked = false;
};

} // namespace kitbox
