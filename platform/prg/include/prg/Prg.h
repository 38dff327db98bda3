#pragma once
// Description file container (.prg / .grp): model, writer and a reader that
// validates every offset and count against the file size.
//
// Shared by the engine, the locator and the compiler. Plain C++ (no Qt).
// The byte layout is documented in docs/description-format.md.
#include <kitbox/Result.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace prg {

constexpr unsigned char kScrambleMask = 0x6B;

// Fixed sizes of the container (see docs/description-format.md).
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 64;
constexpr size_t kDirectoryEntrySize = 80;
constexpr size_t kMaxTableNameLength = 63;
// Offsets travel in signed 32-bit fields to the locator's callers.
constexpr uint64_t kMaxFileSize = 0x7FFFFFFF;

// One table: cells row by row, header row first. cells.size() == columns * (rows + 1).
struct Table {
    std::string name;               // at most 63 bytes (it travels in a 64-byte narrow field)
    uint32_t columns = 0;           // >= 1
    uint32_t rows = 0;              // data rows, header row not counted
    std::vector<std::string> cells; // cell texts must not contain NUL
};

// Everything a description file holds, unscrambled.
struct Description {
    bool isGroup = false;
    std::string infoBlock; // lines "KEY:value" each ending in LF
    std::vector<Table> tables;
    std::string script; // the job source (UTF-8 text)
};

// Serialise to bytes / write atomically (temporary file in the same
// directory, then rename; nothing is left behind on failure).
kitbox::Result<std::string> serialize(const Description &description);
kitbox::Status writeFile(const std::string &path, const Description &description);

// Where things are inside a file; every range has been checked against the file size.
struct TableEntry {
    std::string name;
    uint32_t start = 0; // byte offset of the table's scrambled cells
    uint32_t columns = 0;
    uint32_t rows = 0; // header row not counted
};
struct Layout {
    bool isGroup = false;
    uint32_t fileSize = 0;
    uint32_t infoOffset = 0;
    uint32_t infoLength = 0;
    uint32_t tableAreaEnd = 0;      // offset just behind the last table's bytes
    std::vector<TableEntry> tables; // in file order; a table's bytes end where the next starts
    uint32_t scriptOffset = 0;
    uint32_t scriptLength = 0;
};

// Why reading failed, for callers that report a status number (the locator).
enum class ErrorKind {
    None,
    FileMissing,
    FileUnreadable,
    NotDescription, // too short for a header or wrong magic number
    UnsupportedVersion,
    Corrupt,  // an offset, count, length or name is inconsistent
    TooLarge, // larger than 32-bit offsets can address
};

// Parse header and directory from the whole file's bytes.
kitbox::Result<Layout> readLayout(std::string_view bytes);
// Parse header and directory from the first bytes of a file of fileSize bytes;
// `head` must hold at least the header and the directory (directoryEnd()).
kitbox::Result<Layout> readLayout(std::string_view head, uint64_t fileSize, ErrorKind *kind = nullptr);
// How many leading bytes readLayout needs, judged from the header alone
// (at least kHeaderSize bytes of `head`); fails like readLayout on a bad header.
kitbox::Result<uint64_t> directoryEnd(std::string_view head, uint64_t fileSize, ErrorKind *kind = nullptr);
// Read the layout from a file on disk, reading only header and directory.
kitbox::Result<Layout> readLayoutFromFile(const std::string &path, ErrorKind *kind = nullptr);
// Whole file: layout plus unscrambled content.
kitbox::Result<Description> readDescription(std::string_view bytes);
kitbox::Result<Description> readDescriptionFile(const std::string &path);

// A description file held in memory with its checked layout. Tables are
// decoded when asked for, so loading a file with megabytes of tables costs
// little more than reading it (readDescription decodes every cell at once).
class DescriptionFile {
public:
    static kitbox::Result<DescriptionFile> load(const std::string &path);
    static kitbox::Result<DescriptionFile> fromBytes(std::string bytes);

    const Layout &layout() const { return m_layout; }
    bool isGroup() const { return m_layout.isGroup; }
    std::string infoBlock() const; // unscrambled
    std::string_view script() const;
    size_t tableCount() const { return m_layout.tables.size(); }
    // Name, size and cells of table `index` (fails for a bad index or a damaged table).
    kitbox::Result<Table> table(size_t index) const;
    // Index of the first table whose name equals `name`, ignoring ASCII case.
    std::optional<size_t> findTable(std::string_view name) const;

private:
    DescriptionFile(std::string bytes, Layout layout) : m_bytes(std::move(bytes)), m_layout(std::move(layout)) {}
    std::string m_bytes;
    Layout m_layout;
};

// Byte length of table `index` of a checked layout (next start, or tableAreaEnd, minus its start).
uint32_t tableLength(const Layout &layout, size_t index);

// XOR with kScrambleMask (the operation is its own inverse).
void scramble(char *data, size_t size);
// Split a table's unscrambled bytes into cells (validates the count).
kitbox::Result<std::vector<std::string>> splitCells(std::string_view unscrambled, uint32_t columns, uint32_t rows);

} // namespace prg
