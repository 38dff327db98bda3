#include "catalogue/TableErrorFile.h"

#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(path.toStdString() + ": " + file.errorString().toStdString());
    const QByteArray bytes = (text + QStringLiteral("\r\n")).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return failure(path.toStdString() + ": " + reason);
    }
    if (!file.commit())
        return failure(path.toStdString() + ": " + file.errorString().toStdString());
    return success();
}

} // namespace kitbox
