#pragma once
// The locator's C entry points as function pointers, and a SifterApi calling
// through them. The linked-in locator and one loaded from a shared library at
// run time differ only in how the table is filled.
#include "catalogue/SifterApi.h"

#include <sifter/sifter.h>

#include <QLibrary>

#include <cstdint>

namespace kitbox {

struct SifterEntryPoints {
    int16_t (*sifterInfo)(const char *path, int32_t *infoOffset, int32_t *infoLength, int32_t *tableAreaEnd,
                          int32_t *tableCount) = nullptr;
    int16_t (*sifterTable)(const char *path, SifterTableEntry *entry, int32_t index) = nullptr;

    bool complete() const { return sifterInfo != nullptr && sifterTable != nullptr; }
};

class EntryPointSifterApi : public SifterApi {
public:
    // The table must be complete.
    explicit EntryPointSifterApi(const SifterEntryPoints &entries) : m_entries(entries) {}

    qint16 SIFTER_INFO(const QString &path, qint32 &infoOffset, qint32 &infoLength, qint32 &tableAreaEnd,
                       qint32 &tableCount) override;
    qint16 SIFTER_TABLE(const QString &path, SifterTable &entry, qint32 index) override;

private:
    // The path in the system's file-name encoding; a table after table of
    // one file asks for the same one.
    const QByteArray &narrowPath(const QString &path);

    SifterEntryPoints m_entries;
    QString m_lastPath;
    QByteArray m_lastNarrowPath;
};

// The locator library linked into the program (the default).
class InProcessSifterApi : public EntryPointSifterApi {
public:
    InProcessSifterApi();
    static SifterEntryPoints entryPoints();
};

// A locator loaded from a shared library; it stays loaded while this object lives.
class LibrarySifterApi : public EntryPointSifterApi {
public:
    static constexpr const char *environmentVariable = "KITBOX_SIFTER_LIBRARY";

    // Fails with a message naming the library and, when one is missing, the entry.
    static Result<std::unique_ptr<LibrarySifterApi>> load(const QString &path);
    ~LibrarySifterApi() override;

private:
    LibrarySifterApi(const SifterEntryPoints &entries, std::unique_ptr<QLibrary> library);
    std::unique_ptr<QLibrary> m_library;
};

} // namespace kitbox
