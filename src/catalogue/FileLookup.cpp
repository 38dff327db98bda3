#include "catalogue/FileLookup.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <deque>

namespace kitbox {

namespace {

// Listing a directory costs far more than a stat, and a check or a load of
// many descriptions looks up names in the same few directories over and over:
// the listings of the last directories are kept. A name found in a kept
// listing is confirmed with a stat, and a name not found (or found but gone)
// lists the directory again, so a kept listing never hides a file that is
// there now.
struct Listing {
    QString directory;                // absolute
    QHash<QString, QString> byFolded; // case-folded name -> name as spelt on disk
};

constexpr size_t keptListings = 4;

QMutex &listingsMutex()
{
    static QMutex mutex;
    return mutex;
}

std::deque<Listing> &keptListingsStore()
{
    static std::deque<Listing> listings; // newest first
    return listings;
}

Listing listDirectory(const QString &absoluteDirectory)
{
    Listing listing{absoluteDirectory, {}};
    // In name order, so that of two spellings of one name the first in that order wins, as it always has.
    const QStringList entries = QDir(absoluteDirectory).entryList(QDir::Files | QDir::Hidden | QDir::System);
    listing.byFolded.reserve(entries.size());
    for (const QString &entry : entries) {
        const QString folded = entry.toCaseFolded();
        if (!listing.byFolded.contains(folded))
            listing.byFolded.insert(folded, entry);
    }
    return listing;
}

QString keptSpelling(const QString &absoluteDirectory, const QString &folded)
{
    const QMutexLocker lock(&listingsMutex());
    for (const Listing &listing : keptListingsStore())
        if (listing.directory == absoluteDirectory)
            return listing.byFolded.value(folded);
    return {};
}

QString freshSpelling(const QString &absoluteDirectory, const QString &folded)
{
    Listing listing = listDirectory(absoluteDirectory);
    QString spelling = listing.byFolded.value(folded);
    const QMutexLocker lock(&listingsMutex());
    std::deque<Listing> &listings = keptListingsStore();
    std::erase_if(listings, [&](const Listing &kept) { return kept.directory == absoluteDirectory; });
    listings.push_front(std::move(listing));
    if (listings.size() > keptListings)
        listings.pop_back();
    return spelling;
}

} // namespace

QString findFileIgnoringCase(const QString &directory, const QString &fileName)
{
    const QString built = directory.isEmpty() ? fileName : directory + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(built))
        return built;
    const QString absolute = QFileInfo(directory.isEmpty() ? QStringLiteral(".") : directory).absoluteFilePath();
    const QString folded = fileName.toCaseFolded();
    const auto joined = [&](const QString &entry) {
        return directory.isEmpty() ? entry : directory + QLatin1Char('/') + entry;
    };
    if (const QString kept = keptSpelling(absolute, folded); !kept.isEmpty() && QFileInfo::exists(joined(kept)))
        return joined(kept);
    const QString fresh = freshSpelling(absolute, folded);
    return fresh.isEmpty() ? built : joined(fresh);
}

QString findPathIgnoringCase(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return findFileIgnoringCase(QString(), path);
    return findFileIgnoringCase(path.left(slash), path.mid(slash + 1));
}

} // namespace kitbox
