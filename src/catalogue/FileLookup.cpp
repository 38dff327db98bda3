#include "catalogue/FileLookup.h"

#include <QDir>
#include <QFileInfo>

namespace kitbox {

QString findFileIgnoringCase(const QString &directory, const QString &fileName)
{
    const QString built = directory.isEmpty() ? fileName : directory + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(built))
        return built;
    const QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries)
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return directory.isEmpty() ? entry : directory + QLatin1Char('/') + entry;
    return built;
}

QString findPathIgnoringCase(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return findFileIgnoringCase(QString(), path);
    return findFileIgnoringCase(path.left(slash), path.mid(slash + 1));
}

} // namespace kitbox
