// Description file container: writer and validating reader.
//
// Every number read from a file is treated as untrusted: it is checked
// against the file size with 64-bit arithmetic before it is used as an offset,
// a length or an allocation size. The layout is strict (sections contiguous and
// in a fixed order), so a corrupted offset is almost always noticed.
#include <prg/Prg.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace prg {
namespace {

constexpr char kMagic[8] = {'K', 'B', 'X', 'D', 'E', 'S', 'C', '\x1A'};
constexpr uint16_t kGroupFlag = 0x0001;

// Header field offsets (docs/description-format.md).
constexpr size_t kOffVersion = 8;
constexpr size_t kOffFlags = 10;
constexpr size_t kOffHeaderSize = 12;
constexpr size_t kOffFileSize = 16;
constexpr size_t kOffDirectory = 20;
constexpr size_t kOffTableCount = 24;
constexpr size_t kOffInfo = 28;
constexpr size_t kOffInfoLength = 32;
constexpr size_t kOffTableArea = 36;
constexpr size_t kOffTableAreaEnd = 40;
constexpr size_t kOffScript = 44;
constexpr size_t kOffScriptLength = 48;
constexpr size_t kOffReserved = 52;

// Directory entry field offsets.
constexpr size_t kEntryName = 0;
constexpr size_t kEntryStart = 64;
constexpr size_t kEntryReserved = 68;
constexpr size_t kEntryColumns = 72;
constexpr size_t kEntryRows = 76;

uint16_t get16(std::string_view b, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

uint32_t get32(std::string_view b, size_t at)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

void put16(std::string &out, size_t at, uint16_t v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string &out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

template <typename T> kitbox::Result<T> fail(ErrorKind *kind, ErrorKind what, std::string message)
{
    if (kind)
        *kind = what;
    return kitbox::Result<T>::failure("description file: " + std::move(message));
}

// The header fields after their checks against the file size.
struct Header {
    bool isGroup = false;
    uint32_t fileSize = 0;
    uint32_t tableCount = 0;
    uint32_t infoOffset = 0;
    uint32_t infoLength = 0;
    uint32_t tableArea = 0;
    uint32_t tableAreaEnd = 0;
    uint32_t scriptOffset = 0;
    uint32_t scriptLength = 0;
    uint64_t directoryEnd = 0;
};

kitbox::Result<Header> parseHeader(std::string_view head, uint64_t fileSize, ErrorKind *kind)
{
    if (fileSize < kHeaderSize || head.size() < kHeaderSize)
        return fail<Header>(kind, fileSize < kHeaderSize ? ErrorKind::NotDescription : ErrorKind::Corrupt,
                            "too short for a header (" + std::to_string(std::min<uint64_t>(fileSize, head.size())) +
                                " bytes)");
    if (std::memcmp(head.data(), kMagic, sizeof kMagic) != 0)
        return fail<Header>(kind, ErrorKind::NotDescription, "not a description file (wrong magic number)");
    const uint16_t version = get16(head, kOffVersion);
    if (version != kFormatVersion)
        return fail<Header>(kind, ErrorKind::UnsupportedVersion,
                            "unsupported format version " + std::to_string(version) + " (this reader knows " +
                                std::to_string(kFormatVersion) + ")");
    if (fileSize > kMaxFileSize)
        return fail<Header>(kind, ErrorKind::TooLarge, "file larger than 2 GB");

    Header h;
    const uint16_t flags = get16(head, kOffFlags);
    if ((flags & ~kGroupFlag) != 0)
        return fail<Header>(kind, ErrorKind::Corrupt, "unknown header flags");
    h.isGroup = (flags & kGroupFlag) != 0;
    if (get32(head, kOffHeaderSize) != kHeaderSize)
        return fail<Header>(kind, ErrorKind::Corrupt, "wrong header size");
    for (size_t i = kOffReserved; i < kHeaderSize; ++i)
        if (head[i] != 0)
            return fail<Header>(kind, ErrorKind::Corrupt, "reserved header bytes are not zero");

    h.fileSize = get32(head, kOffFileSize);
    if (h.fileSize != fileSize)
        return fail<Header>(kind, ErrorKind::Corrupt,
                            "header gives " + std::to_string(h.fileSize) + " bytes but the file has " +
                                std::to_string(fileSize) + (fileSize < h.fileSize ? " (truncated)" : ""));
    if (get32(head, kOffDirectory) != kHeaderSize)
        return fail<Header>(kind, ErrorKind::Corrupt, "directory does not follow the header");
    h.tableCount = get32(head, kOffTableCount);
    // Checked before multiplying so that a huge count cannot overflow or allocate.
    if (h.tableCount > (fileSize - kHeaderSize) / kDirectoryEntrySize)
        return fail<Header>(kind, ErrorKind::Corrupt,
                            "table count " + std::to_string(h.tableCount) + " does not fit into the file");
    h.directoryEnd = kHeaderSize + uint64_t{h.tableCount} * kDirectoryEntrySize;

    h.infoOffset = get32(head, kOffInfo);
    h.infoLength = get32(head, kOffInfoLength);
    h.tableArea = get32(head, kOffTableArea);
    h.tableAreaEnd = get32(head, kOffTableAreaEnd);
    h.scriptOffset = get32(head, kOffScript);
    h.scriptLength = get32(head, kOffScriptLength);
    // Sections follow each other without gaps: directory, info block, table area, script.
    if (h.infoOffset != h.directoryEnd)
        return fail<Header>(kind, ErrorKind::Corrupt, "info block does not follow the directory");
    if (uint64_t{h.infoOffset} + h.infoLength != h.tableArea)
        return fail<Header>(kind, ErrorKind::Corrupt, "table area does not follow the info block");
    if (h.tableAreaEnd < h.tableArea || h.tableAreaEnd > fileSize)
        return fail<Header>(kind, ErrorKind::Corrupt, "table area end outside the file");
    if (h.tableCount == 0 && h.tableAreaEnd != h.tableArea)
        return fail<Header>(kind, ErrorKind::Corrupt, "table area is not empty but there are no tables");
    if (h.scriptOffset != h.tableAreaEnd || uint64_t{h.scriptOffset} + h.scriptLength != fileSize)
        return fail<Header>(kind, ErrorKind::Corrupt, "script section does not fill the end of the file");
    return h;
}

} // namespace

void scramble(char *data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ kScrambleMask);
}

uint32_t tableLength(const Layout &layout, size_t index)
{
    const uint32_t end = index + 1 < layout.tables.size() ? layout.tables[index + 1].start : layout.tableAreaEnd;
    return end - layout.tables[index].start;
}

kitbox::Result<std::vector<std::string>> splitCells(std::string_view unscrambled, uint32_t columns, uint32_t rows)
{
    using R = kitbox::Result<std::vector<std::string>>;
    if (columns == 0)
        return R::failure("table has no columns");
    const uint64_t expected = uint64_t{columns} * (uint64_t{rows} + 1);
    if (!unscrambled.empty() && unscrambled.back() != '\0')
        return R::failure("table does not end with a complete cell");
    // Count before allocating: the counts may come from a damaged file.
    uint64_t found = 0;
    for (size_t pos = 0; pos < unscrambled.size(); ++pos) {
        const void *nul = std::memchr(unscrambled.data() + pos, '\0', unscrambled.size() - pos);
        if (!nul)
            break;
        ++found;
        pos = static_cast<size_t>(static_cast<const char *>(nul) - unscrambled.data());
    }
    if (found != expected)
        return R::failure("table holds " + std::to_string(found) + " cells, expected " + std::to_string(expected) +
                          " (" + std::to_string(columns) + " columns, " + std::to_string(rows) + " rows + header)");
    std::vector<std::string> cells;
    cells.reserve(static_cast<size_t>(expected));
    size_t pos = 0;
    while (pos < unscrambled.size()) {
        const size_t nul = unscrambled.find('\0', pos);
        cells.emplace_back(unscrambled.substr(pos, nul - pos));
        pos = nul + 1;
    }
    return cells;
}

kitbox::Result<std::string> serialize(const Description &description)
{
    using R = kitbox::Result<std::string>;
    uint64_t tableBytes = 0;
    for (size_t i = 0; i < description.tables.size(); ++i) {
        const Table &t = description.tables[i];
        const std::string which = "table " + std::to_string(i + 1);
        if (t.name.empty() || t.name.size() > kMaxTableNameLength)
            return R::failure(which + ": name must have 1 to 63 bytes");
        if (t.name.find('\0') != std::string::npos)
            return R::failure(which + ": name contains a NUL byte");
        if (t.columns == 0)
            return R::failure("table " + t.name + ": no columns");
        if (uint64_t{t.columns} * (uint64_t{t.rows} + 1) != t.cells.size())
            return R::failure("table " + t.name + ": " + std::to_string(t.cells.size()) + " cells for " +
                              std::to_string(t.columns) + " columns and " + std::to_string(t.rows) + " rows + header");
        for (const std::string &cell : t.cells) {
            if (cell.find('\0') != std::string::npos)
                return R::failure("table " + t.name + ": a cell contains a NUL byte");
            tableBytes += cell.size() + 1;
        }
    }
    const uint64_t directoryEnd = kHeaderSize + uint64_t{description.tables.size()} * kDirectoryEntrySize;
    const uint64_t tableArea = directoryEnd + description.infoBlock.size();
    const uint64_t tableAreaEnd = tableArea + tableBytes;
    const uint64_t total = tableAreaEnd + description.script.size();
    if (total > kMaxFileSize)
        return R::failure("description too large (" + std::to_string(total) + " bytes, at most 2 GB)");

    std::string out(static_cast<size_t>(tableArea), '\0');
    out.reserve(static_cast<size_t>(total));
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    put16(out, kOffVersion, kFormatVersion);
    put16(out, kOffFlags, description.isGroup ? kGroupFlag : 0);
    put32(out, kOffHeaderSize, kHeaderSize);
    put32(out, kOffFileSize, static_cast<uint32_t>(total));
    put32(out, kOffDirectory, kHeaderSize);
    put32(out, kOffTableCount, static_cast<uint32_t>(description.tables.size()));
    put32(out, kOffInfo, static_cast<uint32_t>(directoryEnd));
    put32(out, kOffInfoLength, static_cast<uint32_t>(description.infoBlock.size()));
    put32(out, kOffTableArea, static_cast<uint32_t>(tableArea));
    put32(out, kOffTableAreaEnd, static_cast<uint32_t>(tableAreaEnd));
    put32(out, kOffScript, static_cast<uint32_t>(tableAreaEnd));
    put32(out, kOffScriptLength, static_cast<uint32_t>(description.script.size()));

    uint64_t start = tableArea;
    for (size_t i = 0; i < description.tables.size(); ++i) {
        const Table &t = description.tables[i];
        const size_t entry = kHeaderSize + i * kDirectoryEntrySize;
        std::memcpy(out.data() + entry + kEntryName, t.name.data(), t.name.size());
        put32(out, entry + kEntryStart, static_cast<uint32_t>(start));
        put32(out, entry + kEntryReserved, 0);
        put32(out, entry + kEntryColumns, t.columns);
        put32(out, entry + kEntryRows, t.rows);
        for (const std::string &cell : t.cells)
            start += cell.size() + 1;
    }

    const size_t infoAt = static_cast<size_t>(directoryEnd);
    std::memcpy(out.data() + infoAt, description.infoBlock.data(), description.infoBlock.size());
    scramble(out.data() + infoAt, description.infoBlock.size());
    for (const Table &t : description.tables) {
        for (const std::string &cell : t.cells) {
            out.append(cell);
            out.push_back('\0');
        }
    }
    scramble(out.data() + tableArea, static_cast<size_t>(tableBytes));
    out.append(description.script);
    return out;
}

kitbox::Status writeFile(const std::string &path, const Description &description)
{
    auto bytes = serialize(description);
    if (!bytes)
        return kitbox::failure(bytes.error());
    if (path.empty())
        return kitbox::failure("cannot write a description: empty file name");

    // The temporary file lives beside the target so that rename() replaces it in one step.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return kitbox::failure("cannot create a temporary file beside " + path + ": " + std::strerror(errno));
    auto abandon = [&](const std::string &what) {
        const int saved = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return kitbox::failure(what + " " + path + ": " + std::strerror(saved));
    };
    const std::string &data = bytes.value();
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return abandon("cannot write");
        }
        written += static_cast<size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0)
        return abandon("cannot set permissions of");
    if (::fsync(fd) != 0)
        return abandon("cannot flush");
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return kitbox::failure("cannot write " + path + ": " + std::strerror(saved));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        return kitbox::failure("cannot replace " + path + ": " + std::strerror(saved));
    }
    return kitbox::success();
}

kitbox::Result<uint64_t> directoryEnd(std::string_view head, uint64_t fileSize, ErrorKind *kind)
{
    auto header = parseHeader(head, fileSize, kind);
    if (!header)
        return kitbox::Result<uint64_t>::failure(header.error());
    return header.value().directoryEnd;
}

kitbox::Result<Layout> readLayout(std::string_view head, uint64_t fileSize, ErrorKind *kind)
{
    if (kind)
        *kind = ErrorKind::None;
    auto parsed = parseHeader(head, fileSize, kind);
    if (!parsed)
        return kitbox::Result<Layout>::failure(parsed.error());
    const Header &h = parsed.value();
    if (head.size() < h.directoryEnd)
        return fail<Layout>(kind, ErrorKind::Corrupt, "table directory incomplete");

    Layout layout;
    layout.isGroup = h.isGroup;
    layout.fileSize = h.fileSize;
    layout.infoOffset = h.infoOffset;
    layout.infoLength = h.infoLength;
    layout.tableAreaEnd = h.tableAreaEnd;
    layout.scriptOffset = h.scriptOffset;
    layout.scriptLength = h.scriptLength;
    layout.tables.resize(h.tableCount);
    auto which = [](uint32_t i) { return "table " + std::to_string(i); };
    for (uint32_t i = 0; i < h.tableCount; ++i) {
        const size_t entry = kHeaderSize + size_t{i} * kDirectoryEntrySize;
        std::string_view nameField = head.substr(entry + kEntryName, kMaxTableNameLength + 1);
        const size_t nameLength = nameField.find('\0');
        if (nameLength == std::string_view::npos)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": name longer than 63 bytes");
        if (nameLength == 0)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": empty name");
        if (nameField.find_first_not_of('\0', nameLength) != std::string_view::npos)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": bytes after the name are not zero");
        if (get32(head, entry + kEntryReserved) != 0)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": reserved field is not zero");
        TableEntry &t = layout.tables[i];
        t.name.assign(nameField.substr(0, nameLength));
        t.start = get32(head, entry + kEntryStart);
        t.columns = get32(head, entry + kEntryColumns);
        t.rows = get32(head, entry + kEntryRows);
        if (t.columns == 0)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": no columns");
    }
    for (uint32_t i = 0; i < h.tableCount; ++i) {
        const TableEntry &t = layout.tables[i];
        if (i == 0 && t.start != h.tableArea)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": does not start the table area");
        const uint32_t end = i + 1 < h.tableCount ? layout.tables[i + 1].start : h.tableAreaEnd;
        if (end < t.start || end > h.tableAreaEnd)
            return fail<Layout>(kind, ErrorKind::Corrupt, which(i) + ": range outside the table area");
        // Every cell needs at least its NUL byte, which also bounds absurd row counts.
        if (uint64_t{t.columns} * (uint64_t{t.rows} + 1) > end - t.start)
            return fail<Layout>(kind, ErrorKind::Corrupt,
                                which(i) + ": " + std::to_string(t.columns) + " columns and " + std::to_string(t.rows) +
                                    " rows do not fit into " + std::to_string(end - t.start) + " bytes");
    }
    return layout;
}

kitbox::Result<Layout> readLayout(std::string_view bytes)
{
    return readLayout(bytes, bytes.size(), nullptr);
}

namespace {

// Reads up to `size` bytes at `offset`; fewer only at the end of the file.
bool readAt(int fd, std::string &out, uint64_t offset, size_t size)
{
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    return true;
}

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Opens a regular file for reading and reports its size.
kitbox::Result<uint64_t> openRegular(const std::string &path, int &fdOut, ErrorKind *kind)
{
    using R = kitbox::Result<uint64_t>;
    fdOut = -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int saved = errno;
        return fail<uint64_t>(kind,
                              saved == ENOENT || saved == ENOTDIR ? ErrorKind::FileMissing : ErrorKind::FileUnreadable,
                              "cannot open " + path + ": " + std::strerror(saved));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail<uint64_t>(kind, ErrorKind::FileUnreadable, path + " is not a readable regular file");
    }
    fdOut = fd;
    return R(static_cast<uint64_t>(st.st_size));
}

} // namespace

kitbox::Result<Layout> readLayoutFromFile(const std::string &path, ErrorKind *kind)
{
    if (kind)
        *kind = ErrorKind::None;
    int fd = -1;
    auto size = openRegular(path, fd, kind);
    if (!size)
        return kitbox::Result<Layout>::failure(size.error());
    FileHandle file(fd);
    const uint64_t fileSize = size.value();

    std::string head;
    if (!readAt(fd, head, 0, static_cast<size_t>(std::min<uint64_t>(fileSize, kHeaderSize))))
        return fail<Layout>(kind, ErrorKind::FileUnreadable, "cannot read " + path + ": " + std::strerror(errno));
    auto end = directoryEnd(head, fileSize, kind);
    if (!end)
        return kitbox::Result<Layout>::failure(end.error() + " (" + path + ")");
    if (end.value() > head.size()) {
        std::string rest;
        if (!readAt(fd, rest, head.size(), static_cast<size_t>(end.value() - head.size())))
            return fail<Layout>(kind, ErrorKind::FileUnreadable, "cannot read " + path + ": " + std::strerror(errno));
        head += rest;
    }
    auto layout = readLayout(head, fileSize, kind);
    if (!layout)
        return kitbox::Result<Layout>::failure(layout.error() + " (" + path + ")");
    return layout;
}

namespace {

// Cells of table `index` of a layout checked against `bytes`.
kitbox::Result<std::vector<std::string>> decodeCells(std::string_view bytes, const Layout &layout, size_t index)
{
    const TableEntry &entry = layout.tables[index];
    std::string buffer(bytes.substr(entry.start, tableLength(layout, index)));
    scramble(buffer.data(), buffer.size());
    auto cells = splitCells(buffer, entry.columns, entry.rows);
    if (!cells)
        return kitbox::Result<std::vector<std::string>>::failure("description file: table " + std::to_string(index) +
                                                                 ": " + cells.error());
    return cells;
}

std::string decodeInfo(std::string_view bytes, const Layout &layout)
{
    std::string info(bytes.substr(layout.infoOffset, layout.infoLength));
    scramble(info.data(), info.size());
    return info;
}

kitbox::Result<std::string> readWholeFile(const std::string &path)
{
    using R = kitbox::Result<std::string>;
    int fd = -1;
    auto size = openRegular(path, fd, nullptr);
    if (!size)
        return R::failure(size.error());
    FileHandle file(fd);
    if (size.value() > kMaxFileSize)
        return R::failure("description file: " + path + " is larger than 2 GB");
    std::string bytes;
    if (!readAt(fd, bytes, 0, static_cast<size_t>(size.value())))
        return R::failure("cannot read " + path + ": " + std::strerror(errno));
    return bytes;
}

} // namespace

kitbox::Result<Description> readDescription(std::string_view bytes)
{
    using R = kitbox::Result<Description>;
    auto parsed = readLayout(bytes);
    if (!parsed)
        return R::failure(parsed.error());
    const Layout &layout = parsed.value();
    Description d;
    d.isGroup = layout.isGroup;
    d.infoBlock = decodeInfo(bytes, layout);
    d.tables.reserve(layout.tables.size());
    for (size_t i = 0; i < layout.tables.size(); ++i) {
        auto cells = decodeCells(bytes, layout, i);
        if (!cells)
            return R::failure(cells.error());
        const TableEntry &entry = layout.tables[i];
        d.tables.push_back(Table{entry.name, entry.columns, entry.rows, std::move(cells.value())});
    }
    d.script.assign(bytes.substr(layout.scriptOffset, layout.scriptLength));
    return d;
}

kitbox::Result<DescriptionFile> DescriptionFile::fromBytes(std::string bytes)
{
    auto layout = readLayout(bytes);
    if (!layout)
        return kitbox::Result<DescriptionFile>::failure(layout.error());
    return DescriptionFile(std::move(bytes), std::move(layout.value()));
}

kitbox::Result<DescriptionFile> DescriptionFile::load(const std::string &path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        return kitbox::Result<DescriptionFile>::failure(bytes.error());
    auto file = fromBytes(std::move(bytes.value()));
    if (!file)
        return kitbox::Result<DescriptionFile>::failure(file.error() + " (" + path + ")");
    return file;
}

std::string DescriptionFile::infoBlock() const
{
    return decodeInfo(m_bytes, m_layout);
}

std::string_view DescriptionFile::script() const
{
    return std::string_view(m_bytes).substr(m_layout.scriptOffset, m_layout.scriptLength);
}

kitbox::Result<Table> DescriptionFile::table(size_t index) const
{
    if (index >= m_layout.tables.size())
        return kitbox::Result<Table>::failure("description file: no table " + std::to_string(index) + " (" +
                                              std::to_string(m_layout.tables.size()) + " tables)");
    auto cells = decodeCells(m_bytes, m_layout, index);
    if (!cells)
        return kitbox::Result<Table>::failure(cells.error());
    const TableEntry &entry = m_layout.tables[index];
    return Table{entry.name, entry.columns, entry.rows, std::move(cells.value())};
}

std::optional<size_t> DescriptionFile::findTable(std::string_view name) const
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < m_layout.tables.size(); ++i) {
        const std::string &candidate = m_layout.tables[i].name;
        if (candidate.size() != name.size())
            continue;
        size_t k = 0;
        while (k < name.size() && lower(candidate[k]) == lower(name[k]))
            ++k;
        if (k == name.size())
            return i;
    }
    return std::nullopt;
}

kitbox::Result<Description> readDescriptionFile(const std::string &path)
{
    using R = kitbox::Result<Description>;
    auto bytes = readWholeFile(path);
    if (!bytes)
        return R::failure(bytes.error());
    auto description = readDescription(bytes.value());
    if (!description)
        return R::failure(description.error() + " (" + path + ")");
    return description;
}

} // namespace prg
