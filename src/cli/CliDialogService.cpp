#include "cli/CliDialogService.h"

namespace kitbox {

DialogAnswer CliDialogService::message(const QString &text, const QString &title, MessageIcon icon,
                                       MessageButtons buttons)
{
    Q_UNUSED(icon);
    ++m_messages;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!title.isEmpty())
        m_err << title << ": ";
    m_err << shown << Qt::endl;
    return cautiousAnswer(buttons);
}

QString CliDialogService::openFileName(const QString &title, const QString &directory, const QString &filter)
{
    Q_UNUSED(title);
    Q_UNUSED(directory);
    Q_UNUSED(filter);
    return {};
}

QStringList CliDialogService::openFileNames(const QString &title, const QString &directory, const QString &filter)
{
    Q_UNUSED(title);
    Q_UNUSED(directory);
    Q_UNUSED(filter);
    return {};
}

QString CliDialogService::saveFileName(const QString &title, const QString &path, const QString &filter)
{
    Q_UNUSED(title);
    Q_UNUSED(path);
    Q_UNUSED(filter);
    return {};
}

} // namespace kitbox
