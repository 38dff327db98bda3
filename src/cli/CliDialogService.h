#pragma once
// Message boxes of the logic, written to the error stream; there is nobody to
// answer, so every box takes its most cautious answer and file dialogs are
// cancelled.
#include "shell/DialogService.h"

#include <QTextStream>

namespace kitbox {

class CliDialogService : public DialogService {
public:
    explicit CliDialogService(QTextStream &err) : m_err(err) {}

    DialogAnswer message(const QString &text, const QString &title, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::Ok) override;
    QString openFileName(const QString &title, const QString &directory, const QString &filter) override;
    QStringList openFileNames(const QString &title, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &path, const QString &filter) override;

    int messagesShown() const { return m_messages; }

private:
    QTextStream &m_err;
    int m_messages = 0;
};

} // namespace kitbox
