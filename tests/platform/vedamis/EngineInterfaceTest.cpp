// The simulation interface as jobs see it (file lookup, reload, cycling,
// missing answers, retry, bad files) and the interface trace.
#include "EngineFixture.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace enginetest;

namespace {

const char *kSim = R"(
ecu { name = "D_SIM" }
job "ASK" { run = function() result("R", "text", tohex(send(hex(argtext())))) end }
job "TWICE" { run = function()
  result("A", "text", tohex(send(hex("22 F4 0C"))))
  result("B", "text", tohex(send(hex("22 F4 0C"))))
end }
job "CATCH" { run = function()
  local ok, message = pcall(send, hex("3E 00"))
  result("OK", "text", tostring(ok))
  result("MSG", "text", message)
end }
)";

class Interface : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        compile("D_SIM.PRG", kSim);
        writeSim("d_sim.sim", "22 F4 0C = 62 F4 0C 0B B8 | 62 F4 0C 0F A0\n"
                              "31 01 ?? ?? * = 71 01\n"
                              "3E 00 = NONE\n"
                              "19 02 = @30 59 02\n");
    }

    std::string ask(const std::string &request) { return EngineTest::ask("D_SIM", request); }

    // Gives the file a new modification time even on coarse file systems.
    void rewriteSim(const std::string &text)
    {
        const std::string path = m_sim + "/d_sim.sim";
        auto before = std::filesystem::last_write_time(path);
        writeSim("d_sim.sim", text);
        std::filesystem::last_write_time(path, before + std::chrono::seconds(2));
    }
};

// The matching rules are the simulation file's test; here the engine's use of them.
TEST_F(Interface, AnswersFromTheDescriptionsFile)
{
    const std::pair<const char *, const char *> exchanges[] = {
        {"22 F4 0C", "62 F4 0C 0B B8"},
        {"22 F4 0C", "62 F4 0C 0F A0"},
        {"31 01 AA BB", "71 01"},
        {"3E 00", "<error 50>"},
    };
    for (const auto &[request, answer] : exchanges)
        EXPECT_EQ(ask(request), answer) << request;
    EXPECT_EQ(errorText(), "no response from control unit: request 3E 00");
    ASSERT_EQ(run("D_SIM", "TWICE"), 0);
    EXPECT_NE(text("A", 1), text("B", 1));
    // A missing answer can be caught by the job.
    ASSERT_EQ(run("D_SIM", "CATCH"), 0) << errorText();
    expectTexts(1, {{"OK", "false"}, {"MSG", "no response from control unit: request 3E 00"}});
}

TEST_F(Interface, ChangedFileIsReadAgainAndCyclesRestart)
{
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
    rewriteSim("22 F4 0C = 01 | 02\n");
    EXPECT_EQ(ask("22 F4 0C"), "01");
    EXPECT_EQ(ask("22 F4 0C"), "02");
    rewriteSim("22 F4 0C = 01\n22 ZZ = 00\n");
    EXPECT_EQ(ask("22 F4 0C"), "<error 52>");
    EXPECT_NE(errorText().find("d_sim.sim:2: 'ZZ' is not a hex byte"), std::string::npos) << errorText();
    std::filesystem::remove(m_sim + "/d_sim.sim");
    EXPECT_EQ(ask("22 F4 0C"), "<error 53>");
    EXPECT_NE(errorText().find("D_SIM.SIM"), std::string::npos) << errorText();
}

// The engine learns of changes from the kernel, announced to the thread that
// ran the last job; saves on other threads and jobs that move between threads
// must still be seen by the next job.
TEST_F(Interface, SavesAreSeenWhicheverThreadSavesOrRuns)
{
    int next = 1;
    // Saves a new answer and expects the next job on this thread to get it.
    auto saveAndAsk = [&] {
        char answer[3];
        std::snprintf(answer, sizeof answer, "%02X", next++ & 0xFF);
        rewriteSim(std::string("22 F4 0C = ") + answer + "\n");
        EXPECT_EQ(ask("22 F4 0C"), answer) << "save " << next - 1;
    };
    // A thread that takes the announcement and ends: what it was told is lost.
    std::thread first([&] {
        saveAndAsk();
        saveAndAsk();
    });
    first.join();
    for (int i = 0; i < 8; ++i)
        saveAndAsk();
    std::thread saver([&] { rewriteSim("22 F4 0C = EE\n"); });
    saver.join();
    EXPECT_EQ(ask("22 F4 0C"), "EE");
    std::thread other([&] {
        for (int i = 0; i < 40; ++i)
            saveAndAsk();
    });
    other.join();
    saveAndAsk();
    saveAndAsk();
}

// A forked child shares the parent's watch; it must neither miss its own
// saves nor take the parent's announcements.
TEST_F(Interface, ForkedChildSeesItsSavesAndParentKeepsItsOwn)
{
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
    EXPECT_TRUE(kitbox::testing::trueInForkedChild([&] {
        rewriteSim("22 F4 0C = 0C\n");
        const bool seen = ask("22 F4 0C") == "0C";
        rewriteSim("22 F4 0C = 0D\n");
        return seen && ask("22 F4 0C") == "0D";
    })) << "the child did not see its saves, or hung";
    rewriteSim("22 F4 0C = 0E\n");
    EXPECT_EQ(ask("22 F4 0C"), "0E");
}

TEST_F(Interface, RetryCommRepeatsAnUnansweredRequestOnce)
{
    writeSim("d_sim.sim", "10 03 = NONE | 50 03\n");
    EXPECT_EQ(ask("10 03"), "<error 50>");
    EXPECT_EQ(ask("10 03"), "50 03");
    ASSERT_TRUE(setConfig("RetryComm", "1"));
    EXPECT_EQ(ask("10 03"), "50 03"); // NONE, then the repeat gets the answer
}

TEST_F(Interface, OtherInterfacesAreNotAvailable)
{
    ASSERT_TRUE(setConfig("Simulation", "0"));
    ASSERT_TRUE(setConfig("Interface", "k_line"));
    EXPECT_EQ(config("Interface"), "K_LINE");
    EXPECT_EQ(ask("22 F4 0C"), "<error 51>");
    EXPECT_NE(errorText().find("K_LINE"), std::string::npos);
    // Jobs that do not talk still run.
    EXPECT_EQ(run("D_SIM", "_JOBS"), 0);
    ASSERT_TRUE(setConfig("Simulation", "1"));
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
}

TEST_F(Interface, IfhTraceLevelsWriteTelegramsAndLevelZeroWritesNothing)
{
    const std::string trace = m_trace + "/IFH.TRC";
    const struct {
        const char *level, *request;
        std::vector<const char *> present, absent;
    } levels[] = {
        {"1", "31 01 00 00", {"REQ 31 01 00 00\n"}, {"JOB D_SIM"}},
        {"2",
         "22 F4 0C",
         {"REQ 22 F4 0C\n", "RSP 62 F4 0C", "JOB D_SIM ASK ARG \"22 F4 0C\"", "END D_SIM ASK sets 1 error 0"},
         {"SIM d_sim.sim"}},
        {"2", "3E 00", {"NRS no response"}, {}},
        {"3", "19 02", {"SIM d_sim.sim:4 delay 30 ms", "RSP 59 02  ; 2 bytes, "}, {}},
        {"0", "22 F4 0C", {}, {}},
    };
    for (const auto &l : levels) {
        ASSERT_TRUE(setConfig("IfhTrace", "0"));
        std::filesystem::remove(trace); // possible only because the engine lets go of it at level 0
        ASSERT_TRUE(setConfig("IfhTrace", l.level));
        ask(l.request);
        const std::string content = readAll(trace);
        EXPECT_EQ(exists(trace), l.level[0] != '0') << l.level;
        for (const char *line : l.present)
            EXPECT_NE(content.find(line), std::string::npos) << line << " missing at level " << l.level << ":\n"
                                                             << content;
        for (const char *line : l.absent)
            EXPECT_EQ(content.find(line), std::string::npos) << line << " at level " << l.level << ":\n" << content;
    }
}

TEST_F(Interface, ApiTraceRecordsTheCallsAndAnUnwritableTracePathIsRefused)
{
    ASSERT_TRUE(setConfig("ApiTrace", "2"));
    EXPECT_EQ(ask("22 F4 0C"), "62 F4 0C 0B B8");
    const std::string content = readAll(m_trace + "/API.TRC");
    EXPECT_NE(content.find("apiVBJob(" + std::to_string(m_handle) + ", \"D_SIM\", \"ASK\", \"22 F4 0C\", \"\")"),
              std::string::npos)
        << content;
    EXPECT_NE(content.find("apiVB4ResultText(" + std::to_string(m_handle) + ", \"R\", 1, \"\") = 1 \"62 F4 0C 0B B8\""),
              std::string::npos)
        << content;
    EXPECT_EQ(content.find("apiVBErrorCode"), std::string::npos) << "level 3 calls at level 2";

    // A trace path that cannot be written is refused.
    writeRaw(m_root + "/file", "not a directory");
    ASSERT_TRUE(setConfig("ApiTrace", "0"));
    ASSERT_TRUE(setConfig("TracePath", m_root + "/file/trace"));
    EXPECT_FALSE(setConfig("IfhTrace", "1"));
    EXPECT_EQ(apiVBErrorCode(m_handle), VEDAMIS_ERR_TRACE);
    EXPECT_EQ(config("IfhTrace"), "0");
}

} // namespace
