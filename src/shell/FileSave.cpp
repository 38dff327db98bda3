#include "shell/FileSave.h"

#include <QSaveFile>

#include <atomic>

namespace kitbox {

namespace {

std::atomic<qint64> g_spaceLimit{-1};

std::string fileError(const QString &path, const QString &reason)
{
    return QString(path + QStringLiteral(": ") + reason).toStdString();
}

} // namespace

void setSaveSpaceLimitForTesting(qint64 bytes)
{
    g_spaceLimit = bytes;
}

Status saveFileAtomically(const QString &path, const QByteArray &data, int *errorCode)
{
    auto fail = [&](QFileDevice::FileError code, const QString &reason) {
        if (errorCode)
            *errorCode = int(code);
        return failure(fileError(path, reason));
    };
    if (path.isEmpty())
        return fail(QFileDevice::OpenError, QStringLiteral("no file name to save to"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.error(), file.errorString());
    const qint64 limit = g_spaceLimit.load();
    if (limit >= 0 && data.size() > limit) {
        // Part of the data reaches the temporary file before the disk is full.
        file.write(data.constData(), limit);
        file.cancelWriting();
        return fail(QFileDevice::ResourceError, QStringLiteral("No space left on device"));
    }
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        const QFileDevice::FileError code = file.error();
        file.cancelWriting();
        return fail(code, reason);
    }
    if (!file.commit())
        return fail(file.error(), file.errorString());
    return success();
}

} // namespace kitbox
