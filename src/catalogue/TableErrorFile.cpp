#include "catalogue/TableErrorFile.h"

#include "shell/FileSave.h"

namespace kitbox {

QString TableErrorFile::pathFor(const QString &settingsFilePath)
{
    const qsizetype slash = settingsFilePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = settingsFilePath.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return settingsFilePath + QStringLiteral(".ERR");
    return settingsFilePath.left(dot + 1) + QStringLiteral("ERR");
}

Status TableErrorFile::write(const QString &path, const QString &text)
{
    if (path.isEmpty())
        return failure("no file name for the table error details");
    return saveFileAtomically(path, (text + QStringLiteral("\r\n")).toUtf8());
}

} // namespace kitbox
