// Description locator: header and directory of a description file, cached per path.
//
// The table viewer and the catalogue ask for every table of a file one by one,
// so the parsed directory is kept and reused while the file stays the same
// (same device, inode, size and modification time); a file replaced through
// rename() gets a new inode and is read again.
//
// SIFTER_INFO always checks the file. SIFTER_TABLE answers from the directory
// that was last checked for the path, without asking the file system again for
// kTableTrust after that check: callers ask for tables by the count that
// SIFTER_INFO gave them, so they need that same directory, and a stat() per
// table would cost more than parsing the directory.
#include <sifter/Locator.h>
#include <sifter/sifter.h>

#include <prg/Prg.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace {

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    time_t mtimeSeconds = 0;
    long mtimeNanoseconds = 0;
    bool operator==(const FileStamp &) const = default;
};

using Clock = std::chrono::steady_clock;

struct CacheEntry {
    FileStamp stamp;
    std::shared_ptr<const prg::Layout> layout;
    Clock::time_point checked;
};

// Enough for every description a session has open plus its USES chain.
constexpr size_t kCacheCapacity = 64;
// How long SIFTER_TABLE trusts a directory without looking at the file again.
constexpr auto kTableTrust = std::chrono::seconds(1);

// Looked up by the caller's const char * without building a std::string.
struct PathHash {
    using is_transparent = void;
    size_t operator()(std::string_view path) const { return std::hash<std::string_view>{}(path); }
};

std::mutex g_cacheMutex;
std::unordered_map<std::string, CacheEntry, PathHash, std::equal_to<>> g_cache;

int16_t statusOf(prg::ErrorKind kind)
{
    switch (kind) {
    case prg::ErrorKind::None:
        return SIFTER_OK;
    case prg::ErrorKind::FileMissing:
        return SIFTER_FILE_MISSING;
    case prg::ErrorKind::FileUnreadable:
        return SIFTER_FILE_UNREADABLE;
    case prg::ErrorKind::NotDescription:
        return SIFTER_NOT_DESCRIPTION;
    case prg::ErrorKind::UnsupportedVersion:
        return SIFTER_UNSUPPORTED_VERSION;
    case prg::ErrorKind::Corrupt:
        return SIFTER_CORRUPT;
    case prg::ErrorKind::TooLarge:
        return SIFTER_TOO_LARGE;
    }
    return SIFTER_CORRUPT;
}

void forget(std::string_view path)
{
    std::lock_guard lock(g_cacheMutex);
    if (auto it = g_cache.find(path); it != g_cache.end())
        g_cache.erase(it);
}

// The checked layout of `path`, from the cache when the file is unchanged.
// Without `check`, a directory checked less than kTableTrust ago is used as it is.
int16_t locate(const char *path, bool check, std::shared_ptr<const prg::Layout> &out, std::string *detail)
{
    const std::string_view pathView(path);
    if (!check) {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_cache.find(pathView);
        if (it != g_cache.end() && Clock::now() - it->second.checked < kTableTrust) {
            out = it->second.layout;
            return SIFTER_OK;
        }
    }
    struct stat st {};
    if (::stat(path, &st) != 0) {
        const int saved = errno;
        forget(pathView);
        if (detail)
            *detail = std::string(path) + ": " + std::strerror(saved);
        return saved == ENOENT || saved == ENOTDIR ? SIFTER_FILE_MISSING : SIFTER_FILE_UNREADABLE;
    }
    if (!S_ISREG(st.st_mode)) {
        forget(pathView);
        if (detail)
            *detail = std::string(path) + " is not a regular file";
        return SIFTER_FILE_UNREADABLE;
    }
    const FileStamp stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_cache.find(pathView);
        if (it != g_cache.end() && it->second.stamp == stamp) {
            it->second.checked = Clock::now();
            out = it->second.layout;
            return SIFTER_OK;
        }
    }
    const std::string key(path);
    // Parsed outside the lock so that slow disks do not serialise other callers.
    prg::ErrorKind kind = prg::ErrorKind::None;
    auto layout = prg::readLayoutFromFile(key, &kind);
    if (!layout) {
        forget(pathView);
        if (detail)
            *detail = layout.error();
        return kind == prg::ErrorKind::None ? SIFTER_CORRUPT : statusOf(kind);
    }
    auto shared = std::make_shared<const prg::Layout>(std::move(layout.value()));
    {
        std::lock_guard lock(g_cacheMutex);
        if (g_cache.size() >= kCacheCapacity && g_cache.find(key) == g_cache.end())
            g_cache.erase(g_cache.begin());
        g_cache[key] = CacheEntry{stamp, shared, Clock::now()};
    }
    out = std::move(shared);
    return SIFTER_OK;
}

int16_t infoImpl(const char *path, sifter::Info &info, std::string *detail)
{
    std::shared_ptr<const prg::Layout> layout;
    const int16_t status = locate(path, true, layout, detail);
    if (status != SIFTER_OK)
        return status;
    // Every offset was checked to be at most kMaxFileSize, so it fits into 32 bits.
    info.infoOffset = static_cast<int32_t>(layout->infoOffset);
    info.infoLength = static_cast<int32_t>(layout->infoLength);
    info.tableAreaEnd = static_cast<int32_t>(layout->tableAreaEnd);
    info.tableCount = static_cast<int32_t>(layout->tables.size());
    return SIFTER_OK;
}

int16_t tableImpl(const char *path, int32_t index, sifter::Table &table, std::string *detail)
{
    std::shared_ptr<const prg::Layout> layout;
    const int16_t status = locate(path, false, layout, detail);
    if (status != SIFTER_OK)
        return status;
    if (index < 0 || static_cast<size_t>(index) >= layout->tables.size()) {
        if (detail)
            *detail = "table " + std::to_string(index) + " of " + std::to_string(layout->tables.size());
        return SIFTER_INDEX_OUT_OF_RANGE;
    }
    const prg::TableEntry &entry = layout->tables[static_cast<size_t>(index)];
    table.name = entry.name;
    table.start = static_cast<int32_t>(entry.start);
    table.length = static_cast<int32_t>(prg::tableLength(*layout, static_cast<size_t>(index)));
    // Columns and rows are bounded by the table's byte length, so they fit as well.
    table.columnCount = static_cast<int32_t>(entry.columns);
    table.rowCount = static_cast<int32_t>(entry.rows);
    return SIFTER_OK;
}

} // namespace

extern "C" {

int16_t SIFTER_INFO(const char *path, int32_t *infoOffset, int32_t *infoLength, int32_t *tableAreaEnd,
                    int32_t *tableCount)
{
    for (int32_t *out : {infoOffset, infoLength, tableAreaEnd, tableCount})
        if (out)
            *out = 0;
    if (!path || !infoOffset || !infoLength || !tableAreaEnd || !tableCount)
        return SIFTER_NULL_ARGUMENT;
    try {
        sifter::Info info;
        const int16_t status = infoImpl(path, info, nullptr);
        if (status != SIFTER_OK)
            return status;
        *infoOffset = info.infoOffset;
        *infoLength = info.infoLength;
        *tableAreaEnd = info.tableAreaEnd;
        *tableCount = info.tableCount;
        return SIFTER_OK;
    } catch (...) {
        return SIFTER_INTERNAL_ERROR;
    }
}

int16_t SIFTER_TABLE(const char *path, SifterTableEntry *entry, int32_t index)
{
    if (entry)
        std::memset(entry, 0, sizeof *entry);
    if (!path || !entry)
        return SIFTER_NULL_ARGUMENT;
    try {
        sifter::Table table;
        const int16_t status = tableImpl(path, index, table, nullptr);
        if (status != SIFTER_OK)
            return status;
        std::memcpy(entry->name, table.name.data(), table.name.size()); // at most 63 bytes, rest stays NUL
        entry->start = table.start;
        entry->columnCount = table.columnCount;
        entry->rowCount = table.rowCount;
        return SIFTER_OK;
    } catch (...) {
        return SIFTER_INTERNAL_ERROR;
    }
}

int32_t SIFTER(void)
{
    return SIFTER_VERSION;
}

void SIFTER_CLEAR_CACHE(void)
{
    std::lock_guard lock(g_cacheMutex);
    g_cache.clear();
}

const char *SIFTER_STATUS_TEXT(int16_t status)
{
    switch (status) {
    case SIFTER_OK:
        return "success";
    case SIFTER_NULL_ARGUMENT:
        return "missing argument";
    case SIFTER_FILE_MISSING:
        return "file not found";
    case SIFTER_FILE_UNREADABLE:
        return "file cannot be read";
    case SIFTER_NOT_DESCRIPTION:
        return "not a description file";
    case SIFTER_UNSUPPORTED_VERSION:
        return "unsupported description format version";
    case SIFTER_CORRUPT:
        return "description file is damaged";
    case SIFTER_TOO_LARGE:
        return "description file too large";
    case SIFTER_INDEX_OUT_OF_RANGE:
        return "table index out of range";
    case SIFTER_INTERNAL_ERROR:
        return "out of memory";
    default:
        return "unknown status";
    }
}

} // extern "C"

namespace sifter {

namespace {
template <typename T> kitbox::Result<T> failed(int16_t code, const std::string &detail, int16_t *status)
{
    if (status)
        *status = code;
    std::string message = SIFTER_STATUS_TEXT(code);
    if (!detail.empty())
        message += ": " + detail;
    return kitbox::Result<T>::failure(std::move(message));
}
} // namespace

kitbox::Result<Info> info(const std::string &path, int16_t *status)
{
    Info result;
    std::string detail;
    int16_t code = SIFTER_INTERNAL_ERROR;
    try {
        code = infoImpl(path.c_str(), result, &detail);
    } catch (const std::bad_alloc &) {
    }
    if (code != SIFTER_OK)
        return failed<Info>(code, detail, status);
    if (status)
        *status = SIFTER_OK;
    return result;
}

kitbox::Result<Table> table(const std::string &path, int32_t index, int16_t *status)
{
    Table result;
    std::string detail;
    int16_t code = SIFTER_INTERNAL_ERROR;
    try {
        code = tableImpl(path.c_str(), index, result, &detail);
    } catch (const std::bad_alloc &) {
    }
    if (code != SIFTER_OK)
        return failed<Table>(code, detail, status);
    if (status)
        *status = SIFTER_OK;
    return result;
}

void clearCache()
{
    SIFTER_CLEAR_CACHE();
}

} // namespace sifter
