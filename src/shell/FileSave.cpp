#include "shell/FileSave.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kitbox {

namespace {

std::atomic<qint64> g_spaceLimit{-1};
std::atomic<unsigned> g_saveNumber{0};

// The temporary file of a save is ".<name>.<pid>-<n>.saving" beside the
// target: hidden, and recognisable as ours with the process that made it, so
// that one left by a killed process can be removed safely later while another
// running instance's save of the same file is left alone.
QString temporaryPrefix(const QString &fileName)
{
    return QLatin1Char('.') + fileName + QLatin1Char('.');
}

const QLatin1StringView temporarySuffix(".saving");

void removeStaleTemporaries(const QString &directory, const QString &fileName)
{
    const QString prefix = temporaryPrefix(fileName);
    const QStringList names = QDir(directory).entryList(QStringList{prefix + QLatin1Char('*') + temporarySuffix},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString middle = name.mid(prefix.size(), name.size() - prefix.size() - temporarySuffix.size());
        bool isNumber = false;
        const qint64 pid = middle.left(middle.indexOf(QLatin1Char('-'))).toLongLong(&isNumber);
        if (!isNumber || pid <= 0)
            continue;
        if (pid == ::getpid() || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue; // its process may still be saving
        QFile::remove(directory + QLatin1Char('/') + name);
    }
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
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
        return failure(QString(path + QStringLiteral(": ") + reason).toStdString());
    };
    if (path.isEmpty())
        return fail(QFileDevice::OpenError, QStringLiteral("no file name to save to"));

    // A link is followed: the file it points to is the one replaced.
    QFileInfo info(path);
    if (info.isSymLink())
        info = QFileInfo(info.symLinkTarget());
    if (info.isDir())
        return fail(QFileDevice::OpenError, QStringLiteral("Is a directory"));
    const QString directory = info.absolutePath();
    const QString target = info.absoluteFilePath();
    removeStaleTemporaries(directory, info.fileName());

    const QString temporary = directory + QLatin1Char('/') + temporaryPrefix(info.fileName()) +
                              QString::number(::getpid()) + QLatin1Char('-') + QString::number(g_saveNumber++) +
                              temporarySuffix;
    const QByteArray temporaryName = QFile::encodeName(temporary);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat existing {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    const int fd = ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(QFileDevice::OpenError, systemError(errno));
    auto abandon = [&](QFileDevice::FileError code, int error) {
        ::close(fd);
        ::unlink(temporaryName.constData());
        return fail(code, systemError(error));
    };
    if (replacing)
        (void)::fchmod(fd, existing.st_mode & 07777);

    const qint64 limit = g_spaceLimit.load();
    if (limit >= 0 && data.size() > limit) {
        // Part of the data reaches the temporary file before the disk is full.
        (void)writeAll(fd, data.constData(), limit);
        return abandon(QFileDevice::ResourceError, ENOSPC);
    }
    if (!writeAll(fd, data.constData(), data.size())) {
        const int error = errno;
        return abandon(error == ENOSPC ? QFileDevice::ResourceError : QFileDevice::WriteError, error);
    }
    // On disk before it takes the old file's place, so that a power cut
    // cannot leave a renamed but empty file.
    if (::fsync(fd) != 0)
        return abandon(QFileDevice::WriteError, errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporaryName.constData());
        return fail(QFileDevice::WriteError, systemError(error));
    }
    if (::rename(temporaryName.constData(), QFile::encodeName(target).constData()) != 0) {
        const int error = errno;
        ::unlink(temporaryName.constData());
        return fail(QFileDevice::RenameError, systemError(error));
    }
    return success();
}

} // namespace kitbox
