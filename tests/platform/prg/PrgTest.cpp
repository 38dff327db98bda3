// Container round trips, the located byte ranges, writer checks and the
// reader's behaviour on damaged files.
#include "DescriptionSamples.h"

#include <prg/Prg.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using kitbox::testing::Corrupter;
using kitbox::testing::readAll;
using kitbox::testing::sampleDescription;
using kitbox::testing::TempDir;

namespace {

std::string joinedCells(const prg::Table &table)
{
    std::string bytes;
    for (const std::string &cell : table.cells) {
        bytes += cell;
        bytes.push_back('\0');
    }
    return bytes;
}

void put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string serialized(const prg::Description &d)
{
    auto bytes = prg::serialize(d);
    EXPECT_TRUE(bytes.ok()) << bytes.error();
    return bytes.ok() ? bytes.value() : std::string();
}

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
    auto read = prg::readDescription(serialized(original));
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(fields(read.value()), fields(original));

    TempDir dir;
    original.isGroup = true;
    ASSERT_TRUE(prg::writeFile(dir.file("D_GROUP.grp"), original).ok());
    auto fromFile = prg::readDescriptionFile(dir.file("D_GROUP.grp"));
    ASSERT_TRUE(fromFile.ok()) << fromFile.error();
    EXPECT_EQ(fields(fromFile.value()), fields(original));

    // An empty description has no info block and no tables.
    const prg::Description empty;
    const std::string bytes = serialized(empty);
    auto layout = prg::readLayout(bytes);
    ASSERT_TRUE(layout.ok()) << layout.error();
    EXPECT_EQ(layout.value().infoLength, 0u);
    EXPECT_TRUE(layout.value().tables.empty());
    EXPECT_EQ(layout.value().tableAreaEnd, layout.value().infoOffset);
    EXPECT_EQ(layout.value().fileSize, bytes.size());
    read = prg::readDescription(bytes);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(fields(read.value()), fields(empty));
}

// A reader that only knows the located ranges and the mask must get the cells back.
TEST(PrgLayout, LocatedRangesHoldTheScrambledInfoBlockAndCells)
{
    const prg::Description original = sampleDescription();
    const std::string bytes = serialized(original);
    auto parsed = prg::readLayout(bytes);
    ASSERT_TRUE(parsed.ok()) << parsed.error();
    const prg::Layout &layout = parsed.value();

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
        EXPECT_EQ(cells, joinedCells(original.tables[i])) << "table " << i;
        EXPECT_EQ(std::tie(layout.tables[i].name, layout.tables[i].columns, layout.tables[i].rows),
                  std::tie(original.tables[i].name, original.tables[i].columns, original.tables[i].rows));
    }
    EXPECT_EQ(bytes.substr(layout.scriptOffset, layout.scriptLength), original.script);
}

TEST(PrgLayout, HeaderAndDirectoryAloneAreEnoughAndTheFileReaderAgrees)
{
    const std::string bytes = serialized(sampleDescription());
    auto end = prg::directoryEnd(bytes.substr(0, prg::kHeaderSize), bytes.size());
    ASSERT_TRUE(end.ok()) << end.error();
    EXPECT_EQ(end.value(), prg::kHeaderSize + 4 * prg::kDirectoryEntrySize);
    auto fromHead = prg::readLayout(bytes.substr(0, end.value()), bytes.size());
    ASSERT_TRUE(fromHead.ok()) << fromHead.error();
    EXPECT_FALSE(prg::readLayout(bytes.substr(0, end.value() - 1), bytes.size()).ok());

    TempDir dir;
    kitbox::testing::writeRaw(dir.file("a.prg"), bytes);
    auto fromFile = prg::readLayoutFromFile(dir.file("a.prg"));
    ASSERT_TRUE(fromFile.ok()) << fromFile.error();
    EXPECT_EQ(fromFile.value().tableAreaEnd, fromHead.value().tableAreaEnd);
    ASSERT_EQ(fromFile.value().tables.size(), 4u);
    EXPECT_EQ(fromFile.value().tables[3].start, fromHead.value().tables[3].start);
}

TEST(PrgDescriptionFile, DecodesTablesWhenAskedFor)
{
    const prg::Description original = sampleDescription();
    TempDir dir;
    ASSERT_TRUE(prg::writeFile(dir.file("D_SAMPLE.prg"), original).ok());
    auto file = prg::DescriptionFile::load(dir.file("D_SAMPLE.prg"));
    ASSERT_TRUE(file.ok()) << file.error();
    const prg::DescriptionFile &f = file.value();
    EXPECT_EQ(f.infoBlock(), original.infoBlock);
    EXPECT_EQ(f.script(), original.script);
    ASSERT_EQ(f.tableCount(), original.tables.size());
    for (size_t i = 0; i < f.tableCount(); ++i) {
        auto table = f.table(i);
        ASSERT_TRUE(table.ok()) << table.error();
        EXPECT_EQ(table.value().cells, original.tables[i].cells);
        EXPECT_EQ(table.value().name, original.tables[i].name);
    }
    EXPECT_EQ(f.findTable("sg_funktionen"), std::optional<size_t>(0));
    EXPECT_EQ(f.findTable("Texte"), std::optional<size_t>(1));
    EXPECT_EQ(f.findTable("TEXT"), std::nullopt);
    EXPECT_FALSE(f.table(4).ok());
    EXPECT_FALSE(prg::DescriptionFile::load(dir.file("missing.prg")).ok());
}

TEST(PrgWriter, RejectsWhatTheLayoutCannotCarry)
{
    struct Case {
        const char *what;
        prg::Table table;
    };
    const Case cases[] = {
        {"name of 64 bytes", {std::string(64, 'N'), 1, 0, {"A"}}},
        {"empty name", {"", 1, 0, {"A"}}},
        {"NUL in name", {std::string("A\0B", 3), 1, 0, {"A"}}},
        {"no columns", {"T", 0, 0, {}}},
        {"too few cells", {"T", 2, 1, {"A", "B", "C"}}},
        {"NUL in a cell", {"T", 1, 0, {std::string("A\0", 2)}}},
    };
    for (const Case &c : cases) {
        prg::Description d;
        d.tables.push_back(c.table);
        EXPECT_FALSE(prg::serialize(d).ok()) << c.what;
    }
}

TEST(PrgWriter, FailedWritesLeaveTheOldFileAndNoTemporaryFiles)
{
    TempDir dir;
    const std::string path = dir.file("D_SAMPLE.prg");
    ASSERT_TRUE(prg::writeFile(path, sampleDescription()).ok());
    const std::string before = readAll(path);

    prg::Description invalid;
    invalid.tables.push_back({"T", 2, 0, {"only one cell"}});
    EXPECT_FALSE(prg::writeFile(path, invalid).ok());
    EXPECT_FALSE(prg::writeFile(dir.file("missing-dir/X.prg"), sampleDescription()).ok());
    EXPECT_EQ(readAll(path), before);

    // Replacing works and leaves exactly the one file.
    prg::Description other;
    other.script = "ecu { name = \"D_SAMPLE\" }";
    ASSERT_TRUE(prg::writeFile(path, other).ok());
    EXPECT_EQ(readAll(path), serialized(other));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Not a description and a newer version are told apart through the locator's statuses.
TEST(PrgReader, ReportsWhyAFileCannotBeUsed)
{
    TempDir dir;
    const std::string good = serialized(sampleDescription());
    prg::ErrorKind kind = prg::ErrorKind::None;
    EXPECT_FALSE(prg::readLayoutFromFile(dir.file("nothing.prg"), &kind).ok());
    EXPECT_EQ(kind, prg::ErrorKind::FileMissing);
    EXPECT_FALSE(prg::readLayoutFromFile(dir.path().string(), &kind).ok());
    EXPECT_EQ(kind, prg::ErrorKind::FileUnreadable);
    auto missing = prg::readDescriptionFile(dir.file("nothing.prg"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("nothing.prg"), std::string::npos) << missing.error();
    auto truncated = prg::readLayout(good.substr(0, good.size() - 1), good.size() - 1, &kind);
    ASSERT_FALSE(truncated.ok());
    EXPECT_EQ(kind, prg::ErrorKind::Corrupt);
    EXPECT_NE(truncated.error().find("truncated"), std::string::npos) << truncated.error();
    EXPECT_FALSE(prg::readLayout(good + "x").ok());
}

TEST(PrgReader, RejectsInconsistentDirectories)
{
    const std::string good = serialized(sampleDescription());
    const size_t entry1 = prg::kHeaderSize + prg::kDirectoryEntrySize; // second table
    const size_t entry3 = prg::kHeaderSize + 3 * prg::kDirectoryEntrySize;
    auto layout = prg::readLayout(good).value();
    auto damaged = [&](auto change) {
        std::string bytes = good;
        change(bytes);
        return prg::readLayout(bytes);
    };
    const struct {
        const char *what;
        size_t at;
        uint32_t value;
    } fields32[] = {
        {"huge table count", 24, 0xFFFFFFFFu},
        {"count below the directory size", 24, 3},
        {"start before the previous table", entry1 + 64, layout.tables[0].start - 1},
        {"start behind the table area", entry3 + 64, layout.tableAreaEnd + 1},
        {"huge row count", entry1 + 76, 0x7FFFFFFF},
        {"no columns", entry1 + 72, 0},
        {"table area end moved", 40, layout.tableAreaEnd - 1},
    };
    for (const auto &f : fields32)
        EXPECT_FALSE(damaged([&](std::string &b) { put32(b, f.at, f.value); }).ok()) << f.what;
    EXPECT_FALSE(damaged([&](std::string &b) { b[entry3 + 63] = 'N'; }).ok()) << "name without NUL";
    EXPECT_FALSE(damaged([&](std::string &b) { b[entry1] = '\0'; }).ok()) << "empty name";

    // Fewer rows than stored still fit the range; only the cell count tells.
    std::string fewerRows = good;
    put32(fewerRows, entry1 + 76, layout.tables[1].rows - 1);
    ASSERT_TRUE(prg::readLayout(fewerRows).ok());
    auto read = prg::readDescription(fewerRows);
    ASSERT_FALSE(read.ok());
    EXPECT_NE(read.error().find("cells"), std::string::npos) << read.error();
    // Decoding on demand notices it for that table only.
    auto file = prg::DescriptionFile::fromBytes(fewerRows);
    ASSERT_TRUE(file.ok()) << file.error();
    EXPECT_TRUE(file.value().table(0).ok());
    EXPECT_FALSE(file.value().table(1).ok());
}

TEST(PrgReader, SplitCellsChecksTheCount)
{
    using namespace std::string_literals;
    auto cells = prg::splitCells("A\0B\0\0D\0"s, 2, 1);
    ASSERT_TRUE(cells.ok()) << cells.error();
    EXPECT_EQ(cells.value(), (std::vector<std::string>{"A", "B", "", "D"}));
    EXPECT_FALSE(prg::splitCells("A\0B"s, 2, 0).ok()) << "last cell without NUL";
    EXPECT_FALSE(prg::splitCells("A\0B\0"s, 2, 1).ok()) << "missing row";
    EXPECT_FALSE(prg::splitCells("A\0"s, 0, 0).ok());
    EXPECT_FALSE(prg::splitCells("A\0"s, 0xFFFFFFFFu, 0xFFFFFFFFu).ok());
}

// Every successful read must describe ranges inside the bytes it was given.
void expectInside(const prg::Layout &layout, size_t size)
{
    ASSERT_EQ(layout.fileSize, size);
    EXPECT_LE(uint64_t{layout.infoOffset} + layout.infoLength, size);
    EXPECT_LE(layout.tableAreaEnd, size);
    EXPECT_EQ(uint64_t{layout.scriptOffset} + layout.scriptLength, size);
    for (size_t i = 0; i < layout.tables.size(); ++i) {
        EXPECT_LE(uint64_t{layout.tables[i].start} + prg::tableLength(layout, i), layout.tableAreaEnd);
        EXPECT_LE(layout.tables[i].name.size(), prg::kMaxTableNameLength);
    }
}

TEST(PrgRobustness, EveryPrefixFailsCleanly)
{
    const std::string good = serialized(sampleDescription());
    for (size_t length = 0; length < good.size(); ++length) {
        const std::string_view prefix(good.data(), length);
        EXPECT_FALSE(prg::readLayout(prefix).ok()) << length;
        auto read = prg::readDescription(prefix);
        ASSERT_FALSE(read.ok()) << length;
        EXPECT_FALSE(read.error().empty());
    }
}

TEST(PrgRobustness, RandomCorruptionsGiveAnErrorOrAConsistentLayout)
{
    const std::string good = serialized(sampleDescription());
    const size_t directoryEnd = prg::directoryEnd(good, good.size()).value();
    Corrupter corrupter(good, directoryEnd, kitbox::testing::kCorruptionSeed);
    int rejected = 0;
    for (int i = 0; i < kitbox::testing::kCorruptionCount; ++i) {
        const std::string bytes = corrupter.next();
        auto layout = prg::readLayout(bytes);
        if (layout.ok())
            expectInside(layout.value(), bytes.size());
        else
            ++rejected;
        auto file = prg::DescriptionFile::fromBytes(bytes);
        EXPECT_EQ(file.ok(), layout.ok());
        size_t decoded = 0;
        for (size_t t = 0; file.ok() && t < file.value().tableCount(); ++t)
            decoded += file.value().table(t).ok() ? 1 : 0;
        auto read = prg::readDescription(bytes);
        if (read.ok()) {
            EXPECT_EQ(decoded, read.value().tables.size()) << "case " << i;
            EXPECT_TRUE(layout.ok()) << "description read where the layout was rejected, case " << i;
            // Each description has exactly one encoding, so accepted damage must be content only.
            auto again = prg::serialize(read.value());
            ASSERT_TRUE(again.ok()) << again.error();
            EXPECT_EQ(again.value(), bytes) << "case " << i;
        } else
            EXPECT_FALSE(read.error().empty());
        if (HasFatalFailure())
            return;
    }
    // Half of the damage is aimed at the header and directory, which the reader must notice.
    EXPECT_GT(rejected, kitbox::testing::kCorruptionCount / 4);
}

} // namespace
