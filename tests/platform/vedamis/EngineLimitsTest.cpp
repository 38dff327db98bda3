// Jobs from an untrusted description: what they must not reach, and the
// time limit, memory cap and break that end them.
#include "EngineFixture.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace enginetest;

namespace {

const char *kHostile = R"(
ecu { name = "D_HOSTILE" }
job "IO_OPEN" { run = function() local f = io.open(argtext(), "w"); f:write("x"); f:close() end }
job "OS_EXECUTE" { run = function() os.execute("touch " .. argtext()) end }
job "REQUIRE" { run = function() require("io") end }
job "BINARY_CHUNK" { run = function()
  local f = assert(load(string.char(0x1B) .. "Lua" .. string.rep("\0", 40)))
  f()
end }
job "DUMP" { run = function() local s = string.dump(function() end) end }
job "ENDLESS" { run = function() while true do end end }
job "ENDLESS_PCALL" { run = function() while true do pcall(function() while true do end end) end end }
job "HOG" { run = function() local t = {} local i = 0 while true do i = i + 1; t[i] = string.rep("x", 1000) .. i end end }
job "SLEEPY" { run = function() sleep(60000) end }
job "WAIT_SIM" { run = function() send(hex("01")) end }
job "AFTER" { run = function() result("OK", "int", 1) end }
)";

class Limits : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        compile("D_HOSTILE.PRG", kHostile);
        writeSim("D_HOSTILE.SIM", "01 = @60000 41\n");
    }

    // Runs the job on a second thread and breaks it from this one.
    int16_t runAndBreak(const char *job)
    {
        std::atomic<bool> done{false};
        int16_t code = -1;
        std::thread worker([&] {
            apiVBJob(m_handle, "D_HOSTILE", job, "", "");
            code = apiVBErrorCode(m_handle);
            done = true;
        });
        // Keep asking until the job has ended: the first request may come
        // before the job started, and a break between jobs is forgotten.
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            apiVBBreak(m_handle);
        }
        worker.join();
        return code;
    }
};

TEST_F(Limits, EscapeAttemptsFailWithARuntimeErrorAndTouchNothing)
{
    const std::string victim = m_root + "/victim";
    for (const char *job : {"IO_OPEN", "OS_EXECUTE", "REQUIRE", "BINARY_CHUNK", "DUMP"}) {
        EXPECT_EQ(run("D_HOSTILE", job, victim), VEDAMIS_ERR_JOB_RUNTIME) << job;
        EXPECT_NE(errorText().find(job), std::string::npos) << errorText();
        EXPECT_FALSE(exists(victim)) << job;
    }
    EXPECT_EQ(run("D_HOSTILE", "BINARY_CHUNK"), VEDAMIS_ERR_JOB_RUNTIME);
    EXPECT_NE(errorText().find("binary"), std::string::npos) << errorText();
}

TEST_F(Limits, EndlessLoopsEndAtTheTimeLimitEvenUnderPcall)
{
    ASSERT_TRUE(setConfig("JobTimeout", "200"));
    for (const char *job : {"ENDLESS", "ENDLESS_PCALL", "SLEEPY"}) {
        EXPECT_EQ(run("D_HOSTILE", job), VEDAMIS_ERR_JOB_TIME_LIMIT) << job;
        EXPECT_NE(errorText().find("time limit"), std::string::npos) << errorText();
    }
    EXPECT_EQ(run("D_HOSTILE", "AFTER"), 0) << errorText();
}

TEST_F(Limits, MemoryCapEndsAGreedyJob)
{
    ASSERT_TRUE(setConfig("JobMemoryLimit", "8"));
    EXPECT_EQ(run("D_HOSTILE", "HOG"), VEDAMIS_ERR_JOB_MEMORY);
    EXPECT_NE(errorText().find("memory limit"), std::string::npos) << errorText();
    EXPECT_EQ(run("D_HOSTILE", "AFTER"), 0) << errorText();
}

TEST_F(Limits, BreakFromAnotherThreadStopsLoopsSleepsAndDelays)
{
    ASSERT_TRUE(setConfig("JobTimeout", "0")); // only the break can end these
    for (const char *job : {"ENDLESS", "SLEEPY", "WAIT_SIM"})
        EXPECT_EQ(runAndBreak(job), VEDAMIS_ERR_JOB_BREAK) << job;
    // A break while no job runs does not stop the next job.
    apiVBBreak(m_handle);
    EXPECT_EQ(run("D_HOSTILE", "AFTER"), 0) << errorText();
}

TEST_F(Limits, JobFunctionsWorkInsideCoroutines)
{
    compile("D_CO.PRG", R"(ecu { name = "D_CO" }
job "CO" { run = function()
  local co = coroutine.wrap(function() result("IN_CO", "text", jobname()); coroutine.yield(); newset(); result("N", "int", 2) end)
  co(); co()
end })");
    ASSERT_EQ(run("D_CO", "CO"), 0) << errorText();
    EXPECT_EQ(sets(), 2);
    EXPECT_EQ(text("IN_CO", 1), "CO");
    EXPECT_EQ(text("N", 2), "2");
}

} // namespace
