#pragma once
// The test being edited: its matrix, its file and whether it has changed
// since it was loaded or saved, with the new, load and save operations and
// their questions and messages.
#include "testmatrix/TestMatrix.h"

#include <QString>

class TextCatalogue;

namespace kitbox {

class DialogService;
class VedamisApi;

class TestDocument {
public:
    TestDocument(DialogService &dialogs, const TextCatalogue &texts, VedamisApi &api);

    TestMatrix &matrix() { return m_matrix; }
    const TestMatrix &matrix() const { return m_matrix; }
    // Path of the test file; empty for a new test.
    const QString &path() const { return m_path; }
    bool changed() const { return m_changed; }
    void setChanged() { m_changed = true; }

    // TestNeu: after the change check, an empty matrix without a file.
    // False when the user cancelled.
    bool testNeu();
    // TestLaden: change check, then the open dialog. True when a file was loaded.
    bool testLaden();
    // A test file named on the command line, in the recent files or dropped:
    // change check, then the file. True when it was loaded.
    bool openFile(const QString &path);
    // TestSpeichern (asks for a name only for a test without one) and
    // TestSpeichernUnter. True when the file was written.
    bool testSpeichern();
    bool testSpeichernUnter();
    // Before new, load, another file and closing the editor: asks whether to
    // save a changed test. True: go on (saved, or not wanted); false: cancel.
    bool changeCheck();
    // Reads a file into the matrix without the change check; the messages of
    // a missing, unreadable or oversized file go to the dialogs.
    bool load(const QString &path);
    // Closing the editor after the change check: no file, an empty matrix.
    void unload();

    // " " + text 304 + file name: what the main window shows for the test.
    QString statusText() const;
    // The editor's caption, which also heads the log of a run.
    QString caption() const;

private:
    bool save(bool askForName);
    // The runtime's EcuPath, where the file dialogs start.
    QString ecuPath(const QString &title);

    DialogService &m_dialogs;
    const TextCatalogue &m_texts;
    VedamisApi &m_api;
    TestMatrix m_matrix;
    QString m_path;
    bool m_changed = false;
};

} // namespace kitbox
