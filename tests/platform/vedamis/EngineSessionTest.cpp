// Sessions and configuration: handles, the single-session rule and server
// mode, the INI file, defaults, names without regard to case, refused values.
#include "EngineFixture.h"

#include <vedamis/Engine.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

using namespace enginetest;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

TEST(Session, DefaultsAndTheIniFileFromTheEnvironmentOrTheUsersConfigDir)
{
    const TempDir dir;
    const std::string root = dir.path.string();
    ScopedEnv home("XDG_CONFIG_HOME", root + "/config");
    ScopedEnv cache("XDG_CACHE_HOME", root + "/cache");
    int32_t handle = 0;
    {
        ScopedEnv ini("VEDAMIS_INI", "");
        ASSERT_TRUE(apiVBInit(&handle)) << errorTextOf(handle);
        const std::string bin = std::filesystem::canonical("/proc/self/exe").parent_path().string();
        // Paths beside the program and in the user's cache; names in any case.
        const std::pair<const char *, std::string> defaults[] = {
            {"EcuPath", bin + "/../share/kitbox32/ecu"},
            {"TRACEPATH", root + "/cache/vedamis/trace"},
            {"VedamisIniPath", ""},
            {"NoSuchName", "<error 10>"},
        };
        for (const auto &[name, value] : defaults)
            EXPECT_EQ(configOf(handle, name), value) << name;
        // Nothing is written while the traces are off.
        EXPECT_FALSE(exists(root + "/cache"));
        apiVBEnd(handle);
    }
    writeRaw(root + "/explicit.ini", "; runtime settings\n[Vedamis]\necupath = /data/ecu\nRetryComm=1\n");
    std::filesystem::create_directories(root + "/config/vedamis");
    writeRaw(root + "/config/vedamis/vedamis.ini", "EcuPath=/user/ecu\r\nBipDebugLevel = 4\r\n");
    {
        ScopedEnv ini("VEDAMIS_INI", root + "/explicit.ini");
        ASSERT_TRUE(apiVBInit(&handle)) << errorTextOf(handle);
        EXPECT_EQ(configOf(handle, "EcuPath"), "/data/ecu");
        EXPECT_EQ(configOf(handle, "RetryComm"), "1");
        EXPECT_EQ(configOf(handle, "VedamisIniPath"), root + "/explicit.ini");
        apiVBEnd(handle);
    }
    ScopedEnv ini("VEDAMIS_INI", "");
    ASSERT_TRUE(apiVBInit(&handle)) << errorTextOf(handle);
    EXPECT_EQ(configOf(handle, "EcuPath"), "/user/ecu");
    EXPECT_EQ(configOf(handle, "BipDebugLevel"), "4");
    apiVBEnd(handle);
}

TEST(Session, BadIniFailsTheStartWithFileAndLine)
{
    const TempDir dir;
    const std::string path = dir.file("bad.ini");
    const struct {
        const char *content;
        const char *reason; // empty: the file is missing
    } cases[] = {
        {"EcuPath=/x\nColour=blue\n", ":2: unknown name 'Colour'"},
        {"IfhTrace=7\n", ":1: IfhTrace must be 0..3"},
        {"Simulation\n", ":1: '=' missing"},
        {"VedamisVersion=9\n", ":1: 'VedamisVersion' is read-only"},
        {nullptr, ""},
    };
    for (const auto &c : cases) {
        if (c.content)
            writeRaw(path, c.content);
        else
            std::filesystem::remove(path);
        ScopedEnv ini("VEDAMIS_INI", path);
        int32_t handle = 0;
        EXPECT_FALSE(apiVBInit(&handle));
        // The handle still tells why, until it is ended.
        EXPECT_EQ(apiVBErrorCode(handle), VEDAMIS_ERR_CONFIG_FILE);
        EXPECT_NE(errorTextOf(handle).find(path + c.reason), std::string::npos) << errorTextOf(handle);
        apiVBJob(handle, "X", "_JOBS", "", "");
        EXPECT_EQ(apiVBErrorCode(handle), VEDAMIS_ERR_INVALID_HANDLE);
        apiVBEnd(handle);
    }
}

TEST(Session, OneSessionUnlessServerModeAllowsMore)
{
    auto &engine = vedamis::Engine::instance();
    int32_t first = 0, second = 0, third = 0;
    ASSERT_TRUE(apiVBInit(&first));
    EXPECT_FALSE(apiVBInit(&second));
    EXPECT_EQ(apiVBErrorCode(second), VEDAMIS_ERR_SESSION_LIMIT);
    apiVBEnd(second);

    EXPECT_FALSE(enableServerVB(-1));
    ASSERT_TRUE(enableServerVB(2));
    ASSERT_TRUE(apiVBInitExt(&second, "simulation", "unit 2", "bench", "RetryComm=1; IfhTrace = 0"));
    EXPECT_NE(first, second);
    EXPECT_EQ(configOf(second, "Unit"), "unit 2");
    EXPECT_EQ(configOf(second, "Application"), "bench");
    EXPECT_EQ(configOf(second, "RetryComm"), "1");
    EXPECT_EQ(configOf(first, "RetryComm"), "0"); // sessions keep their own values
    EXPECT_FALSE(apiVBInit(&third));              // the limit given to enableServerVB
    apiVBEnd(third);

    // Result reads find their session through the calling thread's last
    // look-up: a handle closed elsewhere, or another handle, must never be
    // answered from it.
    EXPECT_EQ(configOf(second, "RetryComm"), "1"); // the last handle this thread used
    std::thread([second] { apiVBEnd(second); }).join();
    int16_t sets = 0;
    EXPECT_FALSE(apiVBResultSets(second, &sets));
    EXPECT_EQ(apiVBErrorCode(second), VEDAMIS_ERR_INVALID_HANDLE);
    EXPECT_EQ(errorTextOf(second), "invalid session handle: " + std::to_string(second));
    EXPECT_EQ(configOf(second, "RetryComm"), "<error " + std::to_string(VEDAMIS_ERR_INVALID_HANDLE) + ">");
    EXPECT_FALSE(apiVBSetConfig(second, "IfhTrace", "1"));
    EXPECT_FALSE(apiVBSetConfig(-5, "IfhTrace", "1"));
    apiVBJob(second, "A", "B", nullptr, nullptr); // no effect, no crash
    apiVBBreak(second);
    apiVBEnd(second);
    EXPECT_FALSE(apiVBInitExt(&third, "", "", "", "Nonsense=1"));
    EXPECT_EQ(apiVBErrorCode(third), VEDAMIS_ERR_CONFIG_UNKNOWN);
    apiVBEnd(third);
    EXPECT_EQ(configOf(first, "RetryComm"), "0");
    apiVBEnd(first);
    EXPECT_EQ(apiVBErrorCode(first), VEDAMIS_ERR_INVALID_HANDLE);
    engine.disableServer();
    EXPECT_EQ(engine.openSessions(), 0u);
}

TEST(Session, ServerSessionsRunJobsInParallelThreads)
{
    const TempDir dir;
    compileInto(dir.path.string(), "D_PAR.PRG", R"(ecu { name = "D_PAR" }
job "ECHO" { run = function()
  local n = tonumber(argtext())
  for i = 1, n do newset(); result("I", "long", i); result("ARG", "text", argtext()) end
end })");
    ASSERT_TRUE(enableServerVB(4));
    std::atomic<int> failures{0};
    auto worker = [&](int id) {
        int32_t handle = 0;
        failures += !apiVBInitExt(&handle, "", "", "", ("EcuPath=" + dir.path.string()).c_str());
        for (int round = 0; round < 40; ++round) {
            const std::string count = std::to_string(id * 10 + round % 5);
            apiVBJob(handle, "D_PAR", "ECHO", count.c_str(), "");
            int16_t sets = 0;
            char buffer[VEDAMIS_TEXT_BUFFER];
            int32_t length = 0;
            failures += !apiVBResultSets(handle, &sets) || sets != std::stoi(count) ||
                        !apiVB4ResultText(handle, buffer, &length, "ARG", sets, "") || count != buffer;
        }
        apiVBEnd(handle);
    };
    std::thread first(worker, 1), second(worker, 2);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    vedamis::Engine::instance().disableServer();
}

class Config : public EngineTest {};

TEST_F(Config, SetValuesAreCheckedNormalisedAndKeptForTheSession)
{
    EXPECT_TRUE(setConfig("ifhtrace", " 2 "));
    EXPECT_EQ(config("IfhTrace"), "2");
    const std::tuple<const char *, const char *, int16_t> refused[] = {
        {"IfhTrace", "5", VEDAMIS_ERR_CONFIG_VALUE},
        {"Simulation", "yes", VEDAMIS_ERR_CONFIG_VALUE},
        {"VedamisVersion", "2.0", VEDAMIS_ERR_CONFIG_READONLY},
        {"Colour", "1", VEDAMIS_ERR_CONFIG_UNKNOWN},
    };
    for (const auto &[name, value, code] : refused) {
        EXPECT_FALSE(setConfig(name, value)) << name;
        EXPECT_EQ(apiVBErrorCode(m_handle), code) << name;
        EXPECT_NE(errorText().find(name), std::string::npos) << errorText();
    }
    EXPECT_EQ(config("IfhTrace"), "2");
    EXPECT_TRUE(setConfig("RetryComm", "0"));
    EXPECT_FALSE(setConfig("RetryComm", "2")); // switches are 0 or 1
    EXPECT_TRUE(setConfig("EcuPath", std::string(300, 'x')));
    EXPECT_EQ(config("EcuPath"), "<error 3>"); // would not fit the caller's buffer
    closeSession();
    ASSERT_TRUE(openSession());
    EXPECT_EQ(config("IfhTrace"), "0"); // a new session starts from the defaults again
}

TEST_F(Config, SystemResultsDecideWhatSetZeroHolds)
{
    compile("D_ONE.PRG", R"(ecu { name = "D_ONE" } job "J" { run = function() result("X", "int", 1) end })");
    int16_t count = 0;
    for (const auto &[system, ubatt, expected] : {std::tuple{"1", "1", 5}, std::tuple{"0", "0", 1}}) {
        ASSERT_TRUE(setConfig("SystemResults", system));
        ASSERT_TRUE(setConfig("UbattHandling", ubatt));
        ASSERT_EQ(run("D_ONE", "J"), 0) << errorText();
        ASSERT_TRUE(apiVBResultNumber(m_handle, &count, 0));
        EXPECT_EQ(count, expected);
        EXPECT_EQ(text(expected == 5 ? "UBATTCURRENT" : "VARIANTE", 0), expected == 5 ? "1" : "D_ONE");
    }
}

} // namespace
