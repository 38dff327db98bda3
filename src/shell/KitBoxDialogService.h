#pragma once
// The dialog service with real message boxes and file dialogs.
#include "shell/DialogService.h"

#include <QPointer>
#include <QWidget>

namespace kitbox {

class KitBoxDialogService : public DialogService {
public:
    // Boxes are centred over the parent once it is set; before that they are
    // top-level (start-up failures come before the main window shows).
    void setParent(QWidget *parent) { m_parent = parent; }

    DialogAnswer message(const QString &text, const QString &title, MessageIcon icon,
                         MessageButtons buttons = MessageButtons::Ok) override;
    QString openFileName(const QString &title, const QString &directory, const QString &filter) override;
    QStringList openFileNames(const QString &title, const QString &directory, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &path, const QString &filter) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace kitbox
