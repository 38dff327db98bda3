// The locator as its callers use it: C entry points (linked and loaded at run
// time) and the C++ functions, on good, empty, missing and damaged files.
// Every prefix of a description is the end-to-end robustness test's part,
// random damage the container reader's fuzz target's.
#include "../prg/DescriptionSamples.h"

#include <prg/Prg.h>
#include <sifter/Locator.h>
#include <sifter/sifter.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <thread>

extern "C" int sifterEntrySizeFromC(void);

using kitbox::testing::readAll;
using kitbox::testing::sampleDescription;
using kitbox::testing::take;
using kitbox::testing::TempDir;
using kitbox::testing::writeRaw;

namespace {

struct InfoOut {
    int16_t status = -1;
    int32_t infoOffset = -1, infoLength = -1, tableAreaEnd = -1, tableCount = -1;
};

InfoOut callInfo(const std::string &path)
{
    InfoOut o;
    o.status = SIFTER_INFO(path.c_str(), &o.infoOffset, &o.infoLength, &o.tableAreaEnd, &o.tableCount);
    return o;
}

class SifterTest : public ::testing::Test {
protected:
    void SetUp() override { SIFTER_CLEAR_CACHE(); }
    std::string write(const std::string &name, const prg::Description &d)
    {
        const std::string path = m_dir.file(name);
        EXPECT_TRUE(prg::writeFile(path, d).ok());
        return path;
    }
    TempDir m_dir;
};

// The container tests prove the located ranges give back the cells; the
// locator must hand out exactly those ranges, through C and C++ alike.
TEST_F(SifterTest, EntryPointsGiveTheContainersRanges)
{
    const std::string path = write("D_SAMPLE.prg", sampleDescription());
    const prg::Layout layout = take(prg::readLayout(readAll(path)));
    const InfoOut info = callInfo(path);
    ASSERT_EQ(info.status, SIFTER_OK);
    EXPECT_EQ(std::tie(info.infoOffset, info.infoLength, info.tableAreaEnd),
              std::tie(layout.infoOffset, layout.infoLength, layout.tableAreaEnd));
    ASSERT_EQ(info.tableCount, 4);
    for (int32_t i = 0; i < info.tableCount; ++i) {
        const prg::TableEntry &expected = layout.tables[static_cast<size_t>(i)];
        SifterTableEntry entry;
        ASSERT_EQ(SIFTER_TABLE(path.c_str(), &entry, i), SIFTER_OK);
        EXPECT_STREQ(entry.name, expected.name.c_str());
        EXPECT_EQ(std::make_tuple(entry.start, entry.columnCount, entry.rowCount, entry.reserved),
                  std::make_tuple(int32_t(expected.start), int32_t(expected.columns), int32_t(expected.rows), 0));
        const sifter::Table table = take(sifter::table(path, i));
        EXPECT_EQ(std::tie(table.name, table.start, table.length),
                  std::make_tuple(expected.name, entry.start, int32_t(prg::tableLength(layout, size_t(i)))));
    }
    EXPECT_EQ(take(sifter::info(path)).tableAreaEnd, info.tableAreaEnd);

    // A description without info block and tables.
    prg::Description bare;
    bare.script = "ecu { name = \"D_LEER\" }";
    const std::string leer = write("D_LEER.prg", bare);
    const InfoOut empty = callInfo(leer);
    ASSERT_EQ(empty.status, SIFTER_OK);
    EXPECT_EQ(std::tie(empty.infoLength, empty.tableCount), std::make_tuple(0, 0));
    EXPECT_EQ(empty.tableAreaEnd, empty.infoOffset);
    SifterTableEntry entry;
    std::memset(&entry, 0x55, sizeof entry);
    EXPECT_EQ(SIFTER_TABLE(leer.c_str(), &entry, 0), SIFTER_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(std::make_tuple(entry.name[0], entry.columnCount, entry.rowCount), std::make_tuple('\0', 0, 0))
        << "a failed call must leave an empty entry";
}

TEST_F(SifterTest, StatusesNameTheProblem)
{
    const std::string path = write("D_SAMPLE.prg", sampleDescription());
    int32_t a, b, c, d;
    SifterTableEntry entry;
    EXPECT_EQ(SIFTER_INFO(nullptr, &a, &b, &c, &d), SIFTER_NULL_ARGUMENT);
    EXPECT_EQ(SIFTER_INFO(path.c_str(), &a, nullptr, &c, &d), SIFTER_NULL_ARGUMENT);
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), nullptr, 0), SIFTER_NULL_ARGUMENT);
    EXPECT_EQ(SIFTER_TABLE(nullptr, &entry, 0), SIFTER_NULL_ARGUMENT);
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), &entry, -1), SIFTER_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), &entry, 4), SIFTER_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), &entry, 3), SIFTER_OK);

    EXPECT_EQ(callInfo(m_dir.file("NICHT_DA.prg")).status, SIFTER_FILE_MISSING);
    EXPECT_EQ(callInfo(m_dir.path.string()).status, SIFTER_FILE_UNREADABLE);
    const std::string bytes = readAll(path);
    std::string newer = bytes;
    newer[8] = 9;
    const struct {
        const char *name;
        std::string bytes;
        int16_t status;
    } files[] = {
        {"text.prg", std::string(200, 'x'), SIFTER_NOT_DESCRIPTION},
        {"short.prg", "ECU", SIFTER_NOT_DESCRIPTION},
        {"header only.prg", bytes.substr(0, prg::kHeaderSize), SIFTER_CORRUPT},
        {"cut.prg", bytes.substr(0, bytes.size() - 5), SIFTER_CORRUPT},
        {"newer.prg", newer, SIFTER_UNSUPPORTED_VERSION},
    };
    for (const auto &f : files) {
        writeRaw(m_dir.file(f.name), f.bytes);
        const InfoOut info = callInfo(m_dir.file(f.name));
        EXPECT_EQ(info.status, f.status) << f.name;
        EXPECT_EQ(info.tableCount, 0) << "outputs are cleared on failure";
    }

    int16_t status = 0;
    auto missing = sifter::info(m_dir.file("NICHT_DA.prg"), &status);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(status, SIFTER_FILE_MISSING);
    EXPECT_NE(missing.error().find(SIFTER_STATUS_TEXT(SIFTER_FILE_MISSING)), std::string::npos);
    EXPECT_NE(missing.error().find("NICHT_DA.prg"), std::string::npos) << missing.error();
    EXPECT_FALSE(sifter::table(path, 7, &status).ok());
    EXPECT_EQ(status, SIFTER_INDEX_OUT_OF_RANGE);
    EXPECT_STREQ(SIFTER_STATUS_TEXT(1234), "unknown status");
    EXPECT_EQ(SIFTER(), SIFTER_VERSION);
    EXPECT_EQ(sifterEntrySizeFromC(), 80);
}

// The cache must never hand out the directory of a file that has been replaced; table
// calls belong to the count that SIFTER_INFO gave, and the next SIFTER_INFO sees the new file.
TEST_F(SifterTest, ReplacedFileIsReadAgainAtTheNextInfo)
{
    const std::string path = write("D_SAMPLE.prg", sampleDescription());
    ASSERT_EQ(callInfo(path).tableCount, 4);
    prg::Description smaller = sampleDescription();
    smaller.tables.resize(1);
    smaller.tables[0].name = "NEU";
    ASSERT_TRUE(prg::writeFile(path, smaller).ok());

    SifterTableEntry entry;
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), &entry, 3), SIFTER_OK);
    EXPECT_EQ(callInfo(path).tableCount, 1);
    EXPECT_EQ(SIFTER_TABLE(path.c_str(), &entry, 3), SIFTER_INDEX_OUT_OF_RANGE);
    ASSERT_EQ(SIFTER_TABLE(path.c_str(), &entry, 0), SIFTER_OK);
    EXPECT_STREQ(entry.name, "NEU");

    // Without a cached directory, SIFTER_TABLE reads the file itself.
    SIFTER_CLEAR_CACHE();
    ASSERT_EQ(SIFTER_TABLE(path.c_str(), &entry, 0), SIFTER_OK);
    EXPECT_STREQ(entry.name, "NEU");
    std::filesystem::remove(path);
    EXPECT_EQ(callInfo(path).status, SIFTER_FILE_MISSING);
}

TEST_F(SifterTest, ConcurrentCallersSeeConsistentDirectories)
{
    prg::Description big = sampleDescription();
    for (int i = 0; i < 200; ++i)
        big.tables.push_back({"T" + std::to_string(i), 1, 1, {"H", std::to_string(i)}});
    const std::string first = write("A.prg", big);
    const std::string second = write("B.prg", sampleDescription());

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 300; ++round) {
                if (t == 0 && round % 10 == 0)
                    SIFTER_CLEAR_CACHE();
                SifterTableEntry entry;
                const int32_t index = 4 + round % 200;
                if (SIFTER_TABLE(first.c_str(), &entry, index) != SIFTER_OK ||
                    std::string(entry.name) != "T" + std::to_string(index - 4))
                    ++wrong;
                if (callInfo(second).tableCount != 4)
                    ++wrong;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Callers that load the library at run time find the same entry points.
TEST_F(SifterTest, EntryPointsCanBeLoadedAtRunTime)
{
    void *library = ::dlopen(SIFTER_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto info = reinterpret_cast<decltype(&SIFTER_INFO)>(::dlsym(library, "SIFTER_INFO"));
    auto table = reinterpret_cast<decltype(&SIFTER_TABLE)>(::dlsym(library, "SIFTER_TABLE"));
    ASSERT_TRUE(info && table && ::dlsym(library, "SIFTER"));
    const std::string path = write("D_SAMPLE.prg", sampleDescription());
    int32_t offset = 0, length = 0, end = 0, count = 0;
    EXPECT_EQ(info(path.c_str(), &offset, &length, &end, &count), SIFTER_OK);
    EXPECT_EQ(count, 4);
    SifterTableEntry entry;
    EXPECT_EQ(table(path.c_str(), &entry, 0), SIFTER_OK);
    EXPECT_STREQ(entry.name, "SG_FUNKTIONEN");
    ::dlclose(library);
}

} // namespace
