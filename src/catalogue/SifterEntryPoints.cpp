#include "catalogue/SifterEntryPoints.h"

#include "catalogue/TextDecoding.h"

#include <QFile>

#include <cstring>

namespace kitbox {

const QByteArray &EntryPointSifterApi::narrowPath(const QString &path)
{
    if (path != m_lastPath || m_lastNarrowPath.isNull()) {
        m_lastPath = path;
        m_lastNarrowPath = QFile::encodeName(path);
    }
    return m_lastNarrowPath;
}

qint16 EntryPointSifterApi::SIFTER_INFO(const QString &path, qint32 &infoOffset, qint32 &infoLength,
                                        qint32 &tableAreaEnd, qint32 &tableCount)
{
    const QByteArray &narrow = narrowPath(path);
    int32_t offset = 0, length = 0, end = 0, count = 0;
    const int16_t status = m_entries.sifterInfo(narrow.constData(), &offset, &length, &end, &count);
    infoOffset = offset;
    infoLength = length;
    tableAreaEnd = end;
    tableCount = count;
    return status;
}

qint16 EntryPointSifterApi::SIFTER_TABLE(const QString &path, SifterTable &entry, qint32 index)
{
    const QByteArray &narrow = narrowPath(path);
    SifterTableEntry raw;
    std::memset(&raw, 0, sizeof raw);
    const int16_t status = m_entries.sifterTable(narrow.constData(), &raw, index);
    // A library that fills all 64 name bytes without a NUL must not make us
    // read past the field.
    const auto nameLength = static_cast<qsizetype>(::strnlen(raw.name, sizeof raw.name));
    const QByteArrayView name(raw.name, nameLength);
    // ASCII reads the same in every system encoding, without asking the codec.
    entry.name = isAscii(name) ? QString::fromLatin1(name) : QFile::decodeName(name.toByteArray());
    entry.start = raw.start;
    entry.columnCount = raw.columnCount;
    entry.rowCount = raw.rowCount;
    return status;
}

SifterEntryPoints InProcessSifterApi::entryPoints()
{
    SifterEntryPoints e;
    e.sifterInfo = &::SIFTER_INFO;
    e.sifterTable = &::SIFTER_TABLE;
    return e;
}

InProcessSifterApi::InProcessSifterApi() : EntryPointSifterApi(entryPoints()) {}

Result<std::unique_ptr<LibrarySifterApi>> LibrarySifterApi::load(const QString &path)
{
    using R = Result<std::unique_ptr<LibrarySifterApi>>;
    if (path.trimmed().isEmpty())
        return R::failure("no locator library given");
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load())
        return R::failure("cannot load locator library " + path.toStdString() + ": " +
                          library->errorString().toStdString());
    SifterEntryPoints e;
    e.sifterInfo = reinterpret_cast<decltype(e.sifterInfo)>(library->resolve("SIFTER_INFO"));
    e.sifterTable = reinterpret_cast<decltype(e.sifterTable)>(library->resolve("SIFTER_TABLE"));
    if (!e.complete()) {
        library->unload();
        const char *missing = e.sifterInfo == nullptr ? "SIFTER_INFO" : "SIFTER_TABLE";
        return R::failure("locator library " + path.toStdString() + " lacks the entry " + missing);
    }
    return std::unique_ptr<LibrarySifterApi>(new LibrarySifterApi(e, std::move(library)));
}

LibrarySifterApi::LibrarySifterApi(const SifterEntryPoints &entries, std::unique_ptr<QLibrary> library)
    : EntryPointSifterApi(entries), m_library(std::move(library))
{
}

// Unloaded only here, after the last call through its entries.
LibrarySifterApi::~LibrarySifterApi() = default;

Result<std::unique_ptr<SifterApi>> createSifter(const QProcessEnvironment &environment)
{
    using R = Result<std::unique_ptr<SifterApi>>;
    const QString path = environment.value(QString::fromLatin1(LibrarySifterApi::environmentVariable));
    if (path.isEmpty())
        return std::unique_ptr<SifterApi>(std::make_unique<InProcessSifterApi>());
    auto loaded = LibrarySifterApi::load(path);
    if (!loaded)
        return R::failure(loaded.error());
    return std::unique_ptr<SifterApi>(std::move(loaded).value());
}

} // namespace kitbox
