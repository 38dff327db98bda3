// Engine benchmarks: loading the large description and listing its jobs, and
// the round trip of a small simulated job compared with the same job body in
// a bare Lua state.
#include "BenchContext.h"
#include "LargeDescription.h"

#include <prg/Prg.h>
#include <vedamis/vedamis.h>

#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr const char *kSimEcu = "BENCH_SIM";
constexpr const char *kSimJob = "STATUS_ZEHN";

// The one job body both sides run: one request, ten results from its answer.
constexpr const char *kJobBody = R"(function()
    local r = send(hex("22 F4 0C"))
    result("DREHZAHL", "word", r:byte(4) * 256 + r:byte(5))
    result("TEMPERATUR", "int", r:byte(6) - 40)
    result("SPANNUNG", "real", r:byte(7) / 10)
    result("ZAEHLER", "long", r:byte(8) * 65536 + r:byte(9) * 256 + r:byte(10))
    result("STATUS", "byte", r:byte(11))
    result("ZUSTAND", "text", r:byte(11) == 1 and "aktiv" or "passiv")
    result("ROHDATEN", "binary", r:sub(4, 11))
    result("FAKTOR", "real", r:byte(12) * 0.5)
    result("KENNUNG", "dword", r:byte(13) * 256 + r:byte(14))
    result("VORZEICHEN", "char", r:byte(15) - 128)
end)";
constexpr const char *kResultNames[] = {"DREHZAHL", "TEMPERATUR", "SPANNUNG", "ZAEHLER", "STATUS",
                                        "ZUSTAND",  "ROHDATEN",   "FAKTOR",   "KENNUNG", "VORZEICHEN"};
constexpr const char *kResultTypes[] = {"word", "int",    "real", "long",  "byte",
                                        "text", "binary", "real", "dword", "char"};
// 62 F4 0C, then the bytes the results are made of.
constexpr unsigned char kResponse[] = {0x62, 0xF4, 0x0C, 0x0B, 0xB8, 0x5A, 0x8C, 0x00,
                                       0x12, 0x34, 0x01, 0x07, 0xAB, 0xCD, 0x7F};

std::string errorText(int32_t handle)
{
    char buffer[VEDAMIS_ERROR_BUFFER] = {};
    int32_t length = sizeof buffer;
    apiVB4ErrorText(handle, buffer, &length);
    return std::to_string(apiVBErrorCode(handle)) + " " + buffer;
}

bool configure(int32_t handle, std::string &error)
{
    const std::string &dir = bench::benchDirectory();
    const char *settings[][2] = {{"EcuPath", dir.c_str()}, {"SimulationPath", dir.c_str()}, {"Simulation", "1"}};
    for (const auto &setting : settings) {
        if (!apiVBSetConfig(handle, setting[0], setting[1])) {
            error = std::string("apiVBSetConfig ") + setting[0] + ": " + errorText(handle);
            return false;
        }
    }
    return true;
}

// Opens a session on the bench directory; the handle is 0 after a failure.
int32_t openSession(benchmark::State &state)
{
    int32_t handle = 0;
    std::string error;
    if (!apiVBInit(&handle)) {
        state.SkipWithError(("apiVBInit: " + errorText(handle)).c_str());
        return 0;
    }
    if (!configure(handle, error)) {
        state.SkipWithError(error.c_str());
        apiVBEnd(handle);
        return 0;
    }
    return handle;
}

// A new session per pass, so that each pass loads the description from the file.
void BM_EngineLoadAndJobs(benchmark::State &state)
{
    const std::string ecu = "BENCH_GROSS";
    int64_t names = 0;
    for (auto _ : state) {
        const int32_t handle = openSession(state);
        if (handle == 0)
            break;
        apiVBJob(handle, ecu.c_str(), "_JOBS", "", "");
        int16_t sets = 0;
        if (!apiVBResultSets(handle, &sets)) {
            state.SkipWithError(("_JOBS: " + errorText(handle)).c_str());
            apiVBEnd(handle);
            break;
        }
        char text[VEDAMIS_TEXT_BUFFER];
        for (int16_t set = 1; set <= sets; ++set) {
            int32_t length = sizeof text;
            if (apiVB4ResultText(handle, text, &length, "JOBNAME", set, ""))
                ++names;
        }
        apiVBEnd(handle);
        if (sets < 5000) {
            state.SkipWithError(("_JOBS returned only " + std::to_string(sets) + " sets").c_str());
            break;
        }
    }
    state.counters["jobnames"] = benchmark::Counter(static_cast<double>(names), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EngineLoadAndJobs)->Unit(benchmark::kMillisecond);

kitbox::Status writeSimulationFixture()
{
    const std::string &dir = bench::benchDirectory();
    prg::Description d;
    d.infoBlock = std::string("ECU:") + kSimEcu + "\nJOBNAME:" + kSimJob + "\nJOBCOMMENT:one request, ten results\n";
    std::string results;
    for (size_t i = 0; i < 10; ++i) {
        d.infoBlock += std::string("RESULT:") + kResultNames[i] + "\nRESULTTYPE:" + kResultTypes[i] + "\n";
        results += std::string("    { name = \"") + kResultNames[i] + "\", type = \"" + kResultTypes[i] + "\" },\n";
    }
    d.script = std::string("ecu { name = \"") + kSimEcu + "\" }\n\njob \"" + kSimJob + "\" {\n  results = {\n" +
               results + "  },\n  run = " + kJobBody + ",\n}\n";
    if (auto written = prg::writeFile(dir + "/" + kSimEcu + ".prg", d); !written)
        return written;

    std::string response;
    char hex[4];
    for (unsigned char byte : kResponse) {
        std::snprintf(hex, sizeof hex, "%02X ", byte);
        response += hex;
    }
    std::ofstream sim(dir + "/" + kSimEcu + ".SIM", std::ios::binary | std::ios::trunc);
    sim << "; benchmark: status request with ten results\n22 F4 0C = " << response << "\n";
    sim.close();
    if (!sim)
        return kitbox::failure("cannot write the simulation file in " + dir);
    return kitbox::success();
}

void BM_EngineJobRoundTrip(benchmark::State &state)
{
    if (auto fixture = writeSimulationFixture(); !fixture) {
        state.SkipWithError(fixture.error().c_str());
        return;
    }
    const int32_t handle = openSession(state);
    if (handle == 0)
        return;
    char text[VEDAMIS_TEXT_BUFFER];
    int64_t jobs = 0;
    for (auto _ : state) {
        apiVBJob(handle, kSimEcu, kSimJob, "", "");
        int16_t sets = 0;
        if (!apiVBResultSets(handle, &sets) || sets < 1) {
            state.SkipWithError((std::string(kSimJob) + ": " + errorText(handle)).c_str());
            break;
        }
        bool ok = true;
        for (const char *name : kResultNames) {
            int32_t length = sizeof text;
            ok = apiVB4ResultText(handle, text, &length, name, 1, "") && ok;
        }
        if (!ok) {
            state.SkipWithError(("reading a result: " + errorText(handle)).c_str());
            break;
        }
        ++jobs;
    }
    apiVBEnd(handle);
    state.SetItemsProcessed(jobs);
}
BENCHMARK(BM_EngineJobRoundTrip)->Unit(benchmark::kMicrosecond);

// The same job body in a bare Lua state, where send returns the answer and
// every other engine function is an empty Lua function.
void BM_BareLuaJobBody(benchmark::State &state)
{
    lua_State *lua = luaL_newstate();
    luaL_openlibs(lua);
    const std::string response(reinterpret_cast<const char *>(kResponse), sizeof kResponse);
    lua_pushlstring(lua, response.data(), response.size());
    lua_setglobal(lua, "ANSWER");
    const std::string chunk = "function send(request) return ANSWER end\n"
                              "function hex(text) end\n"
                              "function result(name, type, value) end\n"
                              "return " +
                              std::string(kJobBody);
    if (luaL_loadstring(lua, chunk.c_str()) != LUA_OK || lua_pcall(lua, 0, 1, 0) != LUA_OK) {
        state.SkipWithError(lua_tostring(lua, -1));
        lua_close(lua);
        return;
    }
    const int body = luaL_ref(lua, LUA_REGISTRYINDEX);
    int64_t jobs = 0;
    for (auto _ : state) {
        lua_rawgeti(lua, LUA_REGISTRYINDEX, body);
        if (lua_pcall(lua, 0, 0, 0) != LUA_OK) {
            state.SkipWithError(lua_tostring(lua, -1));
            break;
        }
        ++jobs;
    }
    lua_close(lua);
    state.SetItemsProcessed(jobs);
}
BENCHMARK(BM_BareLuaJobBody)->Unit(benchmark::kMicrosecond);

// For reading the round trip: what each job start pays where changes cannot
// be announced by signal (a forked child, a host program that owns the
// signal), one non-blocking read of a directory watch with nothing to report.
void BM_FileWatchCheck(benchmark::State &state)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, bench::benchDirectory().c_str(), IN_MODIFY | IN_CREATE | IN_MOVED_TO) < 0) {
        state.SkipWithError("no inotify watch on the bench directory");
        if (fd >= 0)
            ::close(fd);
        return;
    }
    alignas(inotify_event) char buffer[4096];
    for (auto _ : state) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        benchmark::DoNotOptimize(n);
    }
    ::close(fd);
}
BENCHMARK(BM_FileWatchCheck)->Unit(benchmark::kMicrosecond);

} // namespace
