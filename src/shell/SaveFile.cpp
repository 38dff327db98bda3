#include "shell/SaveFile.h"

#include <QSaveFile>

namespace kitbox {

namespace {

Status fileFailure(const QString &path, const QString &reason)
{
    return failure(path.toStdString() + ": " + reason.toStdString());
}

} // namespace

Status saveFileAtomically(const QString &path, QByteArrayView bytes)
{
    if (path.isEmpty())
        return failure("no file name to save to");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fileFailure(path, file.errorString());
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fileFailure(path, reason);
    }
    if (!file.commit())
        return fileFailure(path, file.errorString());
    return success();
}

} // namespace kitbox
