// Damaged description files given to the engine: random byte corruptions
// end in an error code (or a run of what is still valid), never in a crash
// or a hang.
#include "EngineFixture.h"

#include <random>

using namespace enginetest;

namespace {

const char *kSource = R"(
ecu { name = "D_ROB", origin = "o", comment = { "c" }, uses = { "D_ROB" } }
tab "T" { { "A", "B" }, { "1", "x;y" }, { "2", "z" } }
job "J" { run = function()
  local row = tabrow("T", "A", "2")
  result("B", "text", row and row.B or "none")
  result("N", "int", #tabrows("T"))
end }
job "K" { args = { { name = "X", type = "string" } }, run = function() newset(); result("X", "text", argtext()) end }
)";

class Robustness : public EngineTest {
protected:
    // Runs the jobs of the damaged file; returns how many ended without error.
    int runAll(const std::string &bytes)
    {
        writeRaw(m_ecu + "/D_ROB.PRG", bytes);
        unloadAll(); // the file may keep its size and time stamp
        int clean = 0;
        for (const char *job : {"_JOBS", "_VERSIONINFO", "J", "K"}) {
            apiVBJob(m_handle, "D_ROB", job, "a;b", "");
            const int16_t code = apiVBErrorCode(m_handle);
            int16_t sets = 0;
            if (code == 0) {
                EXPECT_TRUE(apiVBResultSets(m_handle, &sets));
                ++clean;
            } else {
                EXPECT_FALSE(apiVBResultSets(m_handle, &sets));
                EXPECT_FALSE(errorText().empty());
            }
        }
        return clean;
    }
};

TEST_F(Robustness, CorruptionsGiveErrorsNotCrashes)
{
    ASSERT_TRUE(setConfig("JobTimeout", "300")); // a corrupted script may loop
    ASSERT_TRUE(setConfig("JobMemoryLimit", "16"));
    compile("D_ROB.PRG", kSource);
    const std::string good = readAll(m_ecu + "/D_ROB.PRG");
    ASSERT_EQ(runAll(good), 4);

    // That a cut file never loads is the container reader's test; here the damage it lets through.
    std::mt19937 random(20261205);
    std::uniform_int_distribution<size_t> position(0, good.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255), count(1, 4);
    for (int round = 0; round < 1500; ++round) {
        std::string damaged = good;
        for (int n = count(random); n > 0; --n)
            damaged[position(random)] = static_cast<char>(byte(random));
        runAll(damaged);
    }
    // The session still works after all of it.
    ASSERT_EQ(runAll(good), 4);
    EXPECT_EQ(text("X", 1), "a;b");
}

TEST_F(Robustness, DamagedTableFailsOnlyTheJobsThatReadIt)
{
    compile("D_ROB.PRG", kSource);
    std::string bytes = readAll(m_ecu + "/D_ROB.PRG");
    // The cell "x;y" and its terminating NUL, as stored (scrambled).
    std::string stored = std::string("x;y") + '\0';
    prg::scramble(stored.data(), stored.size());
    const size_t at = bytes.find(stored);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 3] = static_cast<char>('!' ^ 0x6B); // the cell runs on: one cell too few
    writeRaw(m_ecu + "/D_ROB.PRG", bytes);
    EXPECT_EQ(run("D_ROB", "_JOBS"), 0) << errorText();
    EXPECT_EQ(run("D_ROB", "K", "k"), 0) << errorText();
    EXPECT_EQ(run("D_ROB", "J"), VEDAMIS_ERR_DESCRIPTION_INVALID);
    EXPECT_NE(errorText().find("table T of D_ROB"), std::string::npos) << errorText();
}

} // namespace
