#pragma once
// Dialog service for tests: answers come from queues filled beforehand, and
// everything that would have been shown is kept for inspection.
#include "shell/DialogService.h"

#include <QList>
#include <QQueue>

namespace kitbox {

struct ShownDialog {
    enum class Kind { Message, OpenFile, OpenFiles, SaveFile };
    Kind kind = Kind::Message;
    QString title;
    QString text;   // message text, or the directory/path offered by a file dialog
    QString filter; // file dialogs only
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    DialogAnswer answer = DialogAnswer::Ok;
};

class ScriptedDialogService : public DialogService {
public:
    void setNextAnswer(DialogAnswer answer) { m_answers.enqueue(answer); }
    void setNextFileName(const QString &path) { m_fileNames.enqueue({path}); }
    void setNextFileNames(const QStringList &paths) { m_fileNames.enqueue(paths); }

    const QList<ShownDialog> &shown() const { return m_shown; }
    // Only the message boxes, in order.
    QList<ShownDialog> messages() const;
    void clear() { m_shown.clear(); }
    int pendingAnswers() const { return static_cast<int>(m_answers.size() + m_fileNames.size()); }

    DialogAnswer message(const QString &text, const QString &title, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::Ok) override;
    QString openFileName(const QString &title, const QString &directory, const QString &filter) override;
    QStringList openFileNames(const QString &title, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &path, const QString &filter) override;

private:
    QStringList nextFiles();

    QQueue<DialogAnswer> m_answers;
    QQueue<QStringList> m_fileNames;
    QList<ShownDialog> m_shown;
};

} // namespace kitbox
