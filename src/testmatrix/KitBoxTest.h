#pragma once
// Puts the test matrices into the main window: the test editor window, the
// file commands of the test, the test run into the results window, test
// files opened from the command line, the recent files or a drop, and the
// batch run of a test file named with trace levels on the command line.
#include "shell/KitBox.h"
#include "testmatrix/TestDocument.h"
#include "testmatrix/TestRun.h"
#include "testmatrix/TestRunHost.h"
#include "testmatrix/Tst_Form.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QMdiSubWindow;

namespace kitbox {


class KitBoxTest : public QObject, private TestRunHost {
    Q_OBJECT
public:
    KitBoxTest(KitBox &kitbox, const KitBoxServices &services, QObject *parent = nullptr);
    ~KitBoxTest() override;

    TestDocument &document() { return m_document; }
    Tst_Form *editor() const { return m_form; }
    // A test file to edit (command line, recent files, drop).
    bool openTestFile(const QString &path);
    // StarteTest and StarteTestschritt: start, or stop a running test.
    void starteTest(bool singleStep);
    // Whether the description loaded in the job window has SG_FUNKTIONEN,
    // which decides whether the UDS switches filter the log.
    void setUdsDescriptionQuery(std::function<bool()> query) { m_udsDescription = std::move(query); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Tst_Form *ensureEditor();
    void showDocument();
    void updateCommands();
    void edited();
    int popupEditMenu(const QPoint &globalPosition, bool selectAll);
    // The editor closes: a running test stops, the runtime unloads its
    // descriptions and the test is gone.
    void unloadTest();
    void printTable(const QString &caption);

    // --- TestRunHost ------------------------------------------------------
    void startLog(const QString &text) override;
    void appendLog(const QString &text) override;
    void setActivity(ResultsWindowRules::Activity activity) override;
    void keepAlive() override;
    void showStep(int row) override;
    int cursorStep() override;
    void setCursorStep(int row) override;
    void setTestCommand(Command command) override;
    void continuousRunEnded() override;

    KitBox &m_kitbox;
    KitBoxServices m_services;
    TestDocument m_document;
    TestRun m_run;
    QPointer<Tst_Form> m_form;
    QPointer<QMdiSubWindow> m_window;
    std::function<bool()> m_udsDescription;
};

} // namespace kitbox
