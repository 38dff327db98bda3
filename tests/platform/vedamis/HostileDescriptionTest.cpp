// Descriptions written to do harm, given to the engine as files from outside:
// jobs that try to leave their sandbox or to exhaust time, memory or stack,
// and containers whose numbers lie. Each must end in a clear error within
// the configured limits, touch no file, start no process, keep the process's
// memory bounded, and leave the session able to run the next job.
#include "EngineFixture.h"

#include <prg/Prg.h>
#include <sifter/sifter.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace enginetest;

#if !defined(__SANITIZE_ADDRESS__) && defined(__has_feature)
#if __has_feature(address_sanitizer)
#define __SANITIZE_ADDRESS__ 1 // clang's way of saying it
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer keeps freed memory in quarantine (256 MB by default)
// to catch late uses, and its allocator keeps freed pages; the memory bounds
// here would count both as the engine's.
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=8:allocator_release_to_os_interval_ms=0";
}
#endif

namespace {

// Jobs meant to run out of time get a short limit; jobs meant to run out of
// memory or stack get a long one, so that a slow or busy machine cannot turn
// them into time-outs.
constexpr int kTimeoutMs = 300;
constexpr int kLongTimeoutMs = 10000;
// A stopped job must be over well before its limit plus this; it guards
// against hangs, it does not measure speed.
constexpr int kStopMarginMs = 3000;
constexpr long kExtraMemoryKb = 100 * 1024;

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Whether this process has a child, running or ended (the test itself starts none).
bool startedAProcess()
{
    return waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD;
}

// Every file below dir with its size and modification time.
std::map<std::string, std::pair<uintmax_t, long long>> filesBelow(const std::string &dir)
{
    std::map<std::string, std::pair<uintmax_t, long long>> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        files[entry.path().string()] = {entry.file_size(), entry.last_write_time().time_since_epoch().count()};
    }
    return files;
}

constexpr int16_t kRuntime = VEDAMIS_ERR_JOB_RUNTIME, kMemory = VEDAMIS_ERR_JOB_MEMORY,
                  kTime = VEDAMIS_ERR_JOB_TIME_LIMIT;
struct Hostile {
    const char *job;
    int16_t code;
    const char *text; // part of the error text
    const char *run;  // the job's body; MARKER stands for a path in the test's directory no job may create
};
const Hostile kHostileJobs[] = {
    {"IO_WRITE", kRuntime, "io", R"(local f = io.open("MARKER", "w") f:write("x") f:close())"},
    {"OS_EXECUTE", kRuntime, "os", R"(os.execute("touch MARKER"))"},
    {"PACKAGE_LOADLIB", kRuntime, "package", R"(package.loadlib("libc.so.6", "system")("touch MARKER"))"},
    {"REQUIRE_OS", kRuntime, "require", R"(require("os").execute("touch MARKER"))"},
    {"DEBUG_REGISTRY", kRuntime, "debug", "debug.getregistry()"},
    {"DOFILE", kRuntime, "dofile", R"(dofile("/etc/passwd"))"},
    {"BINARY_CHUNK", kRuntime, "binary", R"(assert(load("\27Lua\84\0\25\147\13\10\26\10" .. string.rep("\0", 64)))())"},
    {"BINARY_CHUNK_MODE", kRuntime, "binary", R"(assert(load("\27Lua\84\0" .. string.rep("\0", 64), "x", "bt"))())"},
    {"STRING_DUMP", kRuntime, "dump", "load(string.dump(function() end))()"},
    {"REP_GIGABYTES", kMemory, "memory limit", R"(local s = string.rep("x", 1 << 30) result("N", "long", #s))"},
    {"REP_BEYOND_SIZE", kRuntime, "too large", R"(local s = string.rep("x", 1 << 31) result("N", "long", #s))"},
    {"REP_SEPARATOR", kMemory, "memory limit", R"(local s = string.rep("x", 1 << 28, "yyyy") result("N", "long", #s))"},
    {"TABLE_GROWTH", kMemory, "memory limit", "local t = {} local i = 0 while true do i = i + 1 t[i] = i end"},
    {"DEEP_RECURSION", kRuntime, "stack overflow", "local function f(n) return 1 + f(n + 1) end f(1)"},
    {"METATABLE_RECURSION", kRuntime, "stack overflow",
     "local t = setmetatable({}, {}) getmetatable(t).__index = function(s, k) return s[k] end local x = t.x"},
    {"ENDLESS_COROUTINE", kTime, "time limit", "coroutine.wrap(function() while true do end end)()"},
    {"PCALL_SWALLOWER", kTime, "time limit", "while true do pcall(function() while true do end end) end"},
    {"BACKTRACKING", kTime, "time limit", R"(local s = string.rep("a", 80) s:find(string.rep(".-", 16) .. "b"))"},
    {"BACKTRACKING_GSUB", kTime, "time limit",
     R"(local s = string.rep("a", 80) s:gsub(string.rep("a*", 16) .. "b", ""))"},
    {"SLEEP_LOOP", kTime, "time limit", "while true do sleep(5) end"},
    {"SLEEP_UNDER_PCALL", kTime, "time limit", "while true do pcall(sleep, 1000) end"},
    {"GC_FINALIZER", kRuntime, "__gc", "setmetatable({}, { __gc = function() while true do end end })"},
};

// Every hostile job, one that waits for the simulation, and one that should simply work.
std::string hostileSource(const std::string &marker)
{
    std::string source = "ecu { name = \"D_EVIL\" }\njob \"WAIT_SIM\" { run = function() send(hex(\"01\")) end }\n"
                         "job \"AFTER\" { run = function() result(\"OK\", \"int\", 1) end }\n";
    for (const Hostile &h : kHostileJobs)
        source += "job \"" + std::string(h.job) + "\" { run = function() " + h.run + " end }\n";
    for (size_t at; (at = source.find("MARKER")) != std::string::npos;)
        source.replace(at, 6, marker);
    return source;
}

class HostileDescriptions : public EngineTest {
protected:
    void expectSessionStillWorks(const std::string &description)
    {
        ASSERT_EQ(run(description, "AFTER"), 0) << errorText();
        EXPECT_EQ(text("OK", 1), "1");
    }
};

TEST_F(HostileDescriptions, JobsEndInAClearErrorWithinTheLimitsAndLeaveNoTrace)
{
    const std::string marker = m_root + "/escaped";
    compile("D_EVIL.PRG", hostileSource(marker));
    expectSessionStillWorks("D_EVIL"); // the script is evaluated before the first hostile job
    const auto filesBefore = filesBelow(m_root);
    const long memoryBefore = residentKb();
    long memoryPeak = memoryBefore;

    for (const Hostile &hostile : kHostileJobs) {
        SCOPED_TRACE(hostile.job);
        const bool timed = hostile.code == kTime;
        const int limit = timed ? kTimeoutMs : kLongTimeoutMs;
        ASSERT_TRUE(setConfig("JobTimeout", std::to_string(limit)));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(run("D_EVIL", hostile.job), hostile.code) << errorText();
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        EXPECT_LT(took.count(), limit + kStopMarginMs);
        EXPECT_NE(errorText().find(hostile.text), std::string::npos) << errorText();
        EXPECT_FALSE(exists(marker));
        EXPECT_FALSE(startedAProcess());
        EXPECT_EQ(filesBelow(m_root), filesBefore);
        memoryPeak = std::max(memoryPeak, residentKb());
        expectSessionStillWorks("D_EVIL");
    }
    EXPECT_LT(memoryPeak - memoryBefore, kExtraMemoryKb) << "resident memory grew from " << memoryBefore << " kB";
}

TEST_F(HostileDescriptions, BreakFromAnotherThreadStopsLoopsSleepsAndDelays)
{
    compile("D_EVIL.PRG", hostileSource(m_root + "/escaped"));
    writeSim("D_EVIL.SIM", "01 = @60000 41\n");
    ASSERT_TRUE(setConfig("JobTimeout", "0")); // only the break can end these
    for (const char *job : {"PCALL_SWALLOWER", "SLEEP_LOOP", "WAIT_SIM"}) {
        std::atomic<int> code{-1};
        std::thread worker([&] { code = run("D_EVIL", job); });
        // Keep asking until the job has ended: the first request may come
        // before the job started, and a break between jobs is forgotten.
        while (code == -1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            apiVBBreak(m_handle);
        }
        worker.join();
        EXPECT_EQ(code, VEDAMIS_ERR_JOB_BREAK) << job;
    }
    // A break while no job runs does not stop the next job.
    apiVBBreak(m_handle);
    expectSessionStillWorks("D_EVIL");
}

// A compiled description with one small table, for patching.
std::string smallContainer()
{
    prg::Description description;
    description.infoBlock = "ECU:D_LIAR\nJOBNAME:AFTER\n";
    description.tables.push_back({"T", 2, 2, {"A", "B", "1", "x", "2", "y"}});
    description.script =
        "ecu { name = \"D_LIAR\" }\ntab \"T\" { { \"A\", \"B\" }, { \"1\", \"x\" }, { \"2\", \"y\" } }\n"
        "job \"AFTER\" { run = function() result(\"OK\", \"int\", 1) end }\n" +
        std::string(600, ' ');
    return kitbox::testing::take(prg::serialize(description));
}

struct Lie {
    const char *what;
    size_t offset; // of a 32-bit field; entry fields count from the directory at 64
    uint32_t value;
};

constexpr size_t kEntry = 64;
const Lie kLies[] = {
    {"table count 2^31", 24, 0x80000000u},
    {"info block of 2^31 bytes", 32, 0x80000000u},
    {"info block past the end", 28, 0x7FFFFFF0u},
    {"script past the end", 48, 0x80000000u},
    {"table start past the end", kEntry + 64, 0x7FFFFFF0u},
    {"table of 2^31 rows", kEntry + 76, 0x80000000u},
    {"a gigabyte of table in a kilobyte file", kEntry + 72, 1u << 15},
};

TEST_F(HostileDescriptions, LyingContainersAreRefusedWithoutHugeAllocations)
{
    const std::string good = smallContainer();
    ASSERT_LT(good.size(), 2048u);
    const std::string path = m_ecu + "/D_LIAR.PRG";
    const long memoryBefore = residentKb();
    long memoryPeak = memoryBefore;
    for (const Lie &lie : kLies) {
        SCOPED_TRACE(lie.what);
        std::string bytes = good;
        put32(bytes, lie.offset, lie.value);
        if (lie.value == 1u << 15) // and rows to match: 2^15 * 2^15 cells of at least a byte
            put32(bytes, kEntry + 76, 1u << 15);
        ASSERT_FALSE(prg::readLayout(bytes).ok());
        EXPECT_FALSE(prg::readDescription(bytes).ok());

        writeRaw(path, bytes);
        SIFTER_CLEAR_CACHE();
        int32_t infoOffset = 0, infoLength = 0, tableAreaEnd = 0, tableCount = 0;
        EXPECT_NE(SIFTER_INFO(path.c_str(), &infoOffset, &infoLength, &tableAreaEnd, &tableCount), SIFTER_OK);
        unloadAll();
        EXPECT_EQ(run("D_LIAR", "AFTER"), VEDAMIS_ERR_DESCRIPTION_INVALID);
        EXPECT_NE(errorText().find("D_LIAR"), std::string::npos) << errorText();
        memoryPeak = std::max(memoryPeak, residentKb());
    }
    EXPECT_LT(memoryPeak - memoryBefore, kExtraMemoryKb);
    // The honest file works in the same session.
    writeRaw(path, good);
    unloadAll();
    expectSessionStillWorks("D_LIAR");
}

std::string levelName(int level)
{
    char name[16];
    std::snprintf(name, sizeof name, "D_L%03d", level);
    return name;
}

TEST_F(HostileDescriptions, UsesCyclesAndLongChainsEndCleanly)
{
    struct Chain {
        const char *what;
        int levels;
        int backTo; // the last level uses this one again; -1: none
    };
    const Chain chains[] = {
        {"a description that uses itself", 1, 0},
        {"a cycle of two", 2, 0},
        {"a chain of 100 levels", 100, -1},
        {"a chain of 100 levels with a cycle at its end", 100, 98},
    };
    for (const Chain &chain : chains) {
        SCOPED_TRACE(chain.what);
        std::filesystem::remove_all(m_ecu);
        std::filesystem::create_directories(m_ecu);
        for (int level = 0; level < chain.levels; ++level) {
            const int next = level + 1 < chain.levels ? level + 1 : chain.backTo;
            std::string source = "ecu { name = \"" + levelName(level) + "\"";
            if (next >= 0)
                source += ", uses = { \"" + levelName(next) + "\" }";
            source += " }\n";
            if (level == chain.levels - 1)
                source += "job \"DEEPEST\" { run = function() result(\"FROM\", \"text\", \"" + levelName(level) +
                          "\") end }\n";
            compile(levelName(level) + ".PRG", source);
        }
        unloadAll();
        ASSERT_EQ(run(levelName(0), "DEEPEST"), 0) << errorText();
        EXPECT_EQ(text("FROM", 1), levelName(chain.levels - 1));
        EXPECT_EQ(run(levelName(0), "NOWHERE"), VEDAMIS_ERR_JOB_NOT_FOUND);
        EXPECT_NE(errorText().find("NOWHERE"), std::string::npos) << errorText();
        EXPECT_EQ(run(levelName(0), "_VERSIONINFO"), 0) << errorText();
    }
}

} // namespace
