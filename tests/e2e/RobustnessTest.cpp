// Damaged descriptions: every prefix of the demo D_MOTOR.prg (all short
// lengths, every section boundary and a stepped walk through the rest), each
// given to the container reader, the locator and the engine. Each must answer
// with a status or an error text; a crash or hang fails the whole test
// program. Random byte corruptions of each reader are the fuzz targets' part.
#include "DemoSession.h"

#include <prg/Prg.h>
#include <sifter/sifter.h>

#include <cstdio>
#include <set>

namespace {

class DamagedDescriptions : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_original = e2e::readFile(e2e::dataDir / "ecu" / "D_MOTOR.prg");
        ASSERT_GT(m_original.size(), 1000u) << "demo D_MOTOR.prg missing or too small";
        auto layout = prg::readLayout(m_original);
        ASSERT_TRUE(layout.ok()) << layout.error();
        m_layout = layout.value();
    }

    // Installs the bytes as an editor saving the file would (a new file renamed over the old one)
    // and gives them to all three readers; returns whether the engine ran a job.
    bool exercise(const std::string &bytes)
    {
        const std::string target = (m_dir.path() / "D_MOTOR.prg").string(), temp = target + ".new";
        std::FILE *f = std::fopen(temp.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0 ||
            std::rename(temp.c_str(), target.c_str()) != 0) {
            ADD_FAILURE() << "cannot install " << target;
            return false;
        }
        // The container reader and the locator take the whole file only.
        const bool whole = bytes == m_original;
        auto description = prg::readDescription(bytes);
        EXPECT_EQ(description.ok(), whole) << (description.ok() ? std::string() : description.error());
        EXPECT_TRUE(description.ok() || !description.error().empty());
        int32_t info[4] = {-1, -1, -1, -1};
        const int16_t status = SIFTER_INFO(target.c_str(), &info[0], &info[1], &info[2], &info[3]);
        EXPECT_EQ(status == SIFTER_OK, whole) << SIFTER_STATUS_TEXT(status);
        EXPECT_NE(std::string(SIFTER_STATUS_TEXT(status)), "");
        m_session.job("$$$$$$$$", "$$$$$$$$");
        bool ran = false;
        for (const char *job : {"_JOBS", "STATUS_MOTOR"}) {
            if (m_session.job("D_MOTOR", job)) {
                ran = true;
            } else {
                EXPECT_NE(m_session.errorCode(), 0);
                EXPECT_FALSE(m_session.errorText().empty()) << "error " << m_session.errorCode() << " without text";
            }
        }
        return ran;
    }

    e2e::TempDir m_dir;
    e2e::DemoSession m_session{m_dir.path()};
    std::string m_original;
    prg::Layout m_layout;
};

TEST_F(DamagedDescriptions, EveryPrefixGivesAStatusOrAnError)
{
    const size_t size = m_original.size();
    std::set<size_t> lengths;
    for (size_t n = 0; n < size; n += n < 600 ? 1 : 97)
        lengths.insert(n);
    std::vector<size_t> boundaries = {
        m_layout.infoOffset,   m_layout.infoOffset + m_layout.infoLength,     m_layout.tableAreaEnd,
        m_layout.scriptOffset, m_layout.scriptOffset + m_layout.scriptLength, size};
    for (const auto &table : m_layout.tables)
        boundaries.push_back(table.start);
    for (size_t b : boundaries)
        for (size_t n = (b >= 2 ? b - 2 : 0); n <= b + 2 && n < size; ++n)
            lengths.insert(n);
    for (size_t n : lengths) {
        SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
        const std::string prefix = m_original.substr(0, n);
        // A cut file is never mistaken for the whole description.
        EXPECT_FALSE(exercise(prefix));
    }
    // The intact file still works in the same session afterwards.
    EXPECT_TRUE(exercise(m_original));
}

} // namespace
