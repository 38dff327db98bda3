// Container round trips, the located byte ranges, writer checks and the
// reader's behaviour on damaged files.
#include "DescriptionSamples.h"

#include <prg/Prg.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using kitbox::testing::put32;
using kitbox::testing::readAll;
using kitbox::testing::sampleDescription;
using kitbox::testing::take;
using kitbox::testing::TempDir;

namespace {

// Everything a description holds, in a form EXPECT_EQ compares and prints.
auto fields(const prg::Description &d)
{
    std::vector<std::tuple<std::string, uint32_t, uint32_t, std::vector<std::string>>> tables;
    for (const prg::Table &t : d.tables)
        tables.emplace_back(t.name, t.columns, t.rows, t.cells);
    return std::make_tuple(d.isGroup, d.infoBlock, d.script, tables);
}

TEST(PrgRoundTrip, BytesAndFileGiveBackEverything)
{
    prg::Description original = sampleDescription();
    EXPECT_EQ(fields(take(prg::readDescription(take(prg::serialize(original))))), fields(original));

    TempDir dir;
    original.isGroup = true;
    ASSERT_TRUE(prg::writeFile(dir.file("D_GROUP.grp"), original).ok());
    EXPECT_EQ(fields(take(prg::readDescriptionFile(dir.file("D_GROUP.grp")))), fields(original));

    // An empty description has no info block and no tables.
    const prg::Description empty;
    const std::string bytes = take(prg::serialize(empty));
    const prg::Layout layout = take(prg::readLayout(bytes));
    EXPECT_EQ(std::make_tuple(layout.infoLength, layout.tables.size(), layout.tableAreaEnd, size_t{layout.fileSize}),
              std::make_tuple(0u, size_t{0}, layout.infoOffset, bytes.size()));
    EXPECT_EQ(fields(take(prg::readDescription(bytes))), fields(empty));
}

// A reader that only knows the located ranges and the mask must get the cells back.
TEST(PrgLayout, LocatedRangesHoldTheScrambledInfoBlockAndCells)
{
    const prg::Description original = sampleDescription();
    const std::string bytes = take(prg::serialize(original));
    const prg::Layout layout = take(prg::readLayout(bytes));

    std::string info = bytes.substr(layout.infoOffset, layout.infoLength);
    EXPECT_NE(info, original.infoBlock) << "info block is stored in plain text";
    prg::scramble(info.data(), info.size());
    EXPECT_EQ(info, original.infoBlock);
    ASSERT_EQ(layout.tables.size(), original.tables.size());
    for (size_t i = 0; i < layout.tables.size(); ++i) {
        const uint32_t end = i + 1 < layout.tables.size() ? layout.tables[i + 1].start : layout.tableAreaEnd;
        EXPECT_EQ(prg::tableLength(layout, i), end - layout.tables[i].start);
        std::string cells = bytes.substr(layout.tables[i].start, end - layout.tables[i].start);
        prg::scramble(cells.data(), cells.size());
        std::string joined;
        for (const std::string &cell : original.tables[i].cells)
            joined += cell + '\0';
        EXPECT_EQ(cells, joined) << "table " << i;
        EXPECT_EQ(std::tie(layout.tables[i].name, layout.tables[i].columns, layout.tables[i].rows),
                  std::tie(original.tables[i].name, original.tables[i].columns, original.tables[i].rows));
    }
    EXPECT_EQ(bytes.substr(layout.scriptOffset, layout.scriptLength), original.script);

    // The header and directory alone are enough, and the file reader agrees.
    const size_t end = take(prg::directoryEnd(bytes.substr(0, prg::kHeaderSize), bytes.size()));
    EXPECT_EQ(end, prg::kHeaderSize + 4 * prg::kDirectoryEntrySize);
    const prg::Layout fromHead = take(prg::readLayout(bytes.substr(0, end), bytes.size()));
    EXPECT_FALSE(prg::readLayout(bytes.substr(0, end - 1), bytes.size()).ok());
    TempDir dir;
    kitbox::testing::writeRaw(dir.file("a.prg"), bytes);
    const prg::Layout fromFile = take(prg::readLayoutFromFile(dir.file("a.prg")));
    EXPECT_EQ(fromFile.tableAreaEnd, fromHead.tableAreaEnd);
    ASSERT_EQ(fromFile.tables.size(), 4u);
    EXPECT_EQ(fromFile.tables[3].start, fromHead.tables[3].start);
}

TEST(PrgDescriptionFile, DecodesTablesWhenAskedFor)
{
    const prg::Description original = sampleDescription();
    TempDir dir;
    ASSERT_TRUE(prg::writeFile(dir.file("D_SAMPLE.prg"), original).ok());
    const prg::DescriptionFile f = take(prg::DescriptionFile::load(dir.file("D_SAMPLE.prg")));
    EXPECT_EQ(f.infoBlock(), original.infoBlock);
    EXPECT_EQ(f.script(), original.script);
    ASSERT_EQ(f.tableCount(), original.tables.size());
    for (size_t i = 0; i < f.tableCount(); ++i) {
        const prg::Table table = take(f.table(i));
        EXPECT_EQ(std::tie(table.name, table.cells), std::tie(original.tables[i].name, original.tables[i].cells));
    }
    const std::vector<std::optional<size_t>> found = {f.findTable("sg_funktionen"), f.findTable("Texte"),
                                                      f.findTable("TEXT")};
    EXPECT_EQ(found, (std::vector<std::optional<size_t>>{0, 1, std::nullopt}));
    EXPECT_FALSE(f.table(4).ok());
    EXPECT_FALSE(prg::DescriptionFile::load(dir.file("missing.prg")).ok());
}

TEST(PrgWriter, RejectsWhatTheLayoutCannotCarryAndLeavesTheOldFile)
{
    const std::pair<const char *, prg::Table> cases[] = {
        {"name of 64 bytes", {std::string(64, 'N'), 1, 0, {"A"}}},
        {"empty name", {"", 1, 0, {"A"}}},
        {"NUL in name", {std::string("A\0B", 3), 1, 0, {"A"}}},
        {"no columns", {"T", 0, 0, {}}},
        {"too few cells", {"T", 2, 1, {"A", "B", "C"}}},
        {"NUL in a cell", {"T", 1, 0, {std::string("A\0", 2)}}},
    };
    TempDir dir;
    const std::string path = dir.file("D_SAMPLE.prg");
    ASSERT_TRUE(prg::writeFile(path, sampleDescription()).ok());
    const std::string before = readAll(path);
    for (const auto &[what, table] : cases) {
        prg::Description d;
        d.tables.push_back(table);
        EXPECT_FALSE(prg::serialize(d).ok()) << what;
        EXPECT_FALSE(prg::writeFile(path, d).ok()) << what;
    }
    EXPECT_FALSE(prg::writeFile(dir.file("missing-dir/X.prg"), sampleDescription()).ok());
    EXPECT_EQ(readAll(path), before);

    // Replacing works and leaves exactly the one file.
    prg::Description other;
    other.script = "ecu { name = \"D_SAMPLE\" }";
    ASSERT_TRUE(prg::writeFile(path, other).ok());
    EXPECT_EQ(readAll(path), take(prg::serialize(other)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

// Not a description and a newer version are told apart through the locator's statuses.
TEST(PrgReader, ReportsWhyAFileCannotBeUsed)
{
    TempDir dir;
    const std::string good = take(prg::serialize(sampleDescription()));
    prg::ErrorKind kind = prg::ErrorKind::None;
    EXPECT_FALSE(prg::readLayoutFromFile(dir.file("nothing.prg"), &kind).ok());
    EXPECT_EQ(kind, prg::ErrorKind::FileMissing);
    EXPECT_FALSE(prg::readLayoutFromFile(dir.path.string(), &kind).ok());
    EXPECT_EQ(kind, prg::ErrorKind::FileUnreadable);
    auto missing = prg::readDescriptionFile(dir.file("nothing.prg"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("nothing.prg"), std::string::npos) << missing.error();
    auto truncated = prg::readLayout(good.substr(0, good.size() - 1), good.size() - 1, &kind);
    ASSERT_FALSE(truncated.ok());
    EXPECT_EQ(kind, prg::ErrorKind::Corrupt);
    EXPECT_NE(truncated.error().find("truncated"), std::string::npos) << truncated.error();
    EXPECT_FALSE(prg::readLayout(good + "x").ok());

    using namespace std::string_literals;
    EXPECT_EQ(take(prg::splitCells("A\0B\0\0D\0"s, 2, 1)), (std::vector<std::string>{"A", "B", "", "D"}));
    EXPECT_FALSE(prg::splitCells("A\0B"s, 2, 0).ok()) << "last cell without NUL";
    EXPECT_FALSE(prg::splitCells("A\0B\0"s, 2, 1).ok()) << "missing row";
    EXPECT_FALSE(prg::splitCells("A\0"s, 0, 0).ok());
    EXPECT_FALSE(prg::splitCells("A\0"s, 0xFFFFFFFFu, 0xFFFFFFFFu).ok());
}

// Counts and offsets beyond what a file can hold are mostly the loader's hostile-description
// tests; here the directory's own consistency.
TEST(PrgReader, RejectsInconsistentDirectories)
{
    const std::string good = take(prg::serialize(sampleDescription()));
    const size_t entry1 = prg::kHeaderSize + prg::kDirectoryEntrySize; // second table
    const size_t entry3 = prg::kHeaderSize + 3 * prg::kDirectoryEntrySize;
    const prg::Layout layout = take(prg::readLayout(good));
    const struct {
        const char *what;
        size_t at;
        uint32_t value;
    } fields32[] = {
        {"count below the directory size", 24, 3},
        {"start before the previous table", entry1 + 64, layout.tables[0].start - 1},
        {"start behind the table area", entry3 + 64, layout.tableAreaEnd + 1},
        {"huge row count", entry1 + 76, 0x7FFFFFFF},
        {"no columns", entry1 + 72, 0},
        {"table area end moved", 40, layout.tableAreaEnd - 1},
    };
    for (const auto &f : fields32) {
        std::string bytes = good;
        put32(bytes, f.at, f.value);
        EXPECT_FALSE(prg::readLayout(bytes).ok()) << f.what;
    }
    for (const size_t at : {entry3 + 63, entry1}) { // a name without NUL, an empty name
        std::string bytes = good;
        bytes[at] = at == entry1 ? '\0' : 'N';
        EXPECT_FALSE(prg::readLayout(bytes).ok()) << at;
    }

    // Fewer rows than stored still fit the range; only the cell count tells.
    std::string fewerRows = good;
    put32(fewerRows, entry1 + 76, layout.tables[1].rows - 1);
    ASSERT_TRUE(prg::readLayout(fewerRows).ok());
    auto read = prg::readDescription(fewerRows);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("cells"), std::string::npos) << read.error();
    // Decoding on demand notices it for that table only.
    const prg::DescriptionFile file = take(prg::DescriptionFile::fromBytes(fewerRows));
    EXPECT_TRUE(file.table(0).ok());
    EXPECT_FALSE(file.table(1).ok());
}

} // namespace
