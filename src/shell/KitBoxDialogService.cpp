#include "shell/KitBoxDialogService.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kitbox {

namespace {

QMessageBox::Icon toIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

} // namespace

DialogAnswer KitBoxDialogService::message(const QString &text, const QString &title, MessageIcon icon,
                                          MessageButtons buttons)
{
    // The program's texts keep CR LF; the box wants plain line feeds.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(toIcon(icon), title, shown, toButtons(buttons), m_parent);
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return DialogAnswer::Ok;
    case QMessageBox::Yes:
        return DialogAnswer::Yes;
    case QMessageBox::No:
        return DialogAnswer::No;
    case QMessageBox::Cancel:
        return DialogAnswer::Cancel;
    default:
        return cautiousAnswer(buttons);
    }
}

QString KitBoxDialogService::openFileName(const QString &title, const QString &directory, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, directory, filter);
}

QStringList KitBoxDialogService::openFileNames(const QString &title, const QString &directory, const QString &filter)
{
    return QFileDialog::getOpenFileNames(m_parent, title, directory, filter);
}

QString KitBoxDialogService::saveFileName(const QString &title, const QString &path, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, title, path, filter);
}

} // namespace kitbox
