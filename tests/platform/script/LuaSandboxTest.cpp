#include "../prg/DescriptionSamples.h"

#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

using vedamis::AbortReason;
using vedamis::LuaSandbox;
using vedamis::SandboxLimits;

namespace {

// Generous time limit for tests that must end by another cause; a test that
// hangs ends here instead of blocking the suite.
SandboxLimits limits(int64_t timeMs, size_t memory = 16u * 1024u * 1024u)
{
    SandboxLimits result;
    result.timeLimitMs = timeMs;
    result.memoryBytes = memory;
    return result;
}

std::string runError(LuaSandbox &sandbox, const std::string &source)
{
    auto status = sandbox.run(source, "=test");
    return status.ok() ? std::string() : status.error();
}

// Runs `source` and asks for a break from another thread a moment after it started.
kitbox::Status runAndBreak(LuaSandbox &sandbox, const char *source)
{
    std::thread breaker([&sandbox] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sandbox.requestBreak();
    });
    auto status = sandbox.run(source, "=t");
    breaker.join();
    return status;
}

} // namespace

TEST(LuaSandbox, LoadTakesTextChunksInTheSandboxOnly)
{
    // A well-formed binary chunk, made where string.dump exists: a damaged one would be
    // refused as damaged whatever the mode.
    lua_State *plain = luaL_newstate();
    luaL_openlibs(plain);
    ASSERT_EQ(luaL_dostring(plain, "return string.dump(function() return 1 end)"), LUA_OK);
    const std::string binary(lua_tostring(plain, -1), lua_rawlen(plain, -1));
    lua_close(plain);

    LuaSandbox sandbox(limits(5000));
    lua_pushlstring(sandbox.state(), binary.data(), binary.size());
    lua_setglobal(sandbox.state(), "chunk");
    // Refused even when the mode asks for one.
    EXPECT_TRUE(sandbox
                    .run(R"(
        local f, err = load(chunk, "bin", "b")
        assert(f == nil and err:find("attempt to load a binary chunk"), tostring(err))
        local g = load("return io")
        assert(g() == nil)
        value = 41
        assert(load("return value + 1")() == 42)
        assert(load("return x", "c", "t", { x = 7 })() == 7)
    )",
                         "=t")
                    .ok());
    // The run entry point itself refuses precompiled input.
    EXPECT_NE(runError(sandbox, binary).find("attempt to load a binary chunk"), std::string::npos)
        << runError(sandbox, binary);
}

TEST(LuaSandbox, ErrorsNameTheChunkAndLineAndKeepTheStackBalanced)
{
    LuaSandbox sandbox(limits(5000));
    lua_State *L = sandbox.state();
    const int top = lua_gettop(L);
    // Chunk and line of run-time and syntax errors: the description source tests, with "@name" chunks.
    EXPECT_EQ(runError(sandbox, "local a = 1\nerror('bad thing')"), "test:2: bad thing");
    EXPECT_EQ(runError(sandbox, "error({})"), "error object is a table value");
    EXPECT_EQ(lua_gettop(L), top);

    // call() with arguments and results.
    ASSERT_TRUE(sandbox.run("function add(a, b) return a + b end", "=t").ok());
    lua_getglobal(L, "add");
    lua_pushinteger(L, 2);
    lua_pushinteger(L, 3);
    ASSERT_TRUE(sandbox.call(2, 1).ok());
    EXPECT_EQ(lua_tointeger(L, -1), 5);
    lua_pop(L, 1);
    lua_getglobal(L, "add");
    lua_pushinteger(L, 2);
    lua_pushnil(L);
    EXPECT_FALSE(sandbox.call(2, LUA_MULTRET).ok());
    EXPECT_EQ(lua_gettop(L), top);
}

// The hostile descriptions try io, os, package, require, dofile, string.dump, finalizers,
// plain endless loops (a pcall swallower, a coroutine that never yields, find and gsub
// backtracking) and the growth of tables and strings through the engine; here the shapes
// those do not reach. Each ends for its own reason, whatever the script catches.
TEST(LuaSandbox, HostileCallsEndForTheirReason)
{
    constexpr auto kRefused = AbortReason::None, kTime = AbortReason::TimeLimit, kMemory = AbortReason::Memory;
    const std::pair<AbortReason, const char *> calls[] = {
        {kRefused, "loadfile('/etc/passwd')"},
        {kRefused, "debug.sethook()"},
        {kRefused, "collectgarbage('stop')"},
        {kRefused, "print('x')"},
        {kRefused, "('').dump(function() end)"},
        {kRefused, "getmetatable('').__index.dump(function() end)"},
        {kTime, "while true do end"},
        {kTime, "while true do local ok = pcall(error, 'x') end"},
        {kTime, "xpcall(function() while true do end end, function() while true do end end) while true do end"},
        {kTime, "local function f() while true do end end while true do pcall(pcall, f) end"},
        // Coroutines run on threads of their own.
        {kTime, "local co = coroutine.create(function() while true do end end) coroutine.resume(co) while true do "
                "coroutine.resume(co) end"},
        {kTime, "coroutine.wrap(function() while true do pcall(function() while true do end end) end end)()"},
        {kTime,
         "local co = coroutine.wrap(function() while true do coroutine.yield() end end) while true do pcall(co) end"},
        // Loops inside the sandbox's own library: moving nils allocates nothing, __len may claim any length.
        {kTime, "table.move({}, 1, math.maxinteger - 1, 2)"},
        {kTime, "table.move({}, 1, math.maxinteger - 1, 2, {})"},
        {kTime, "table.insert(setmetatable({}, { __len = function() return math.maxinteger // 2 end }), 1, 'x')"},
        {kTime, "table.remove(setmetatable({}, { __len = function() return math.maxinteger // 2 end }), 1)"},
        {kTime, "local s = string.rep('a', 60) return s:match(string.rep('a*', 14) .. 'b')"},
        {kTime, "local s = string.rep('a', 60) for x in s:gmatch(string.rep('a-', 14) .. 'b') do end"},
        {kTime, "local s = string.rep('a', 60) while true do pcall(string.find, s, string.rep('.-', 14) .. 'b') end"},
        // One request far beyond the cap inside a C function, caught, and allocations under pcall.
        {kMemory, "local t = {} local i = 0 while true do i = i + 1 t[i] = { i } end"},
        {kMemory, "local ok = pcall(string.rep, 'x', 1 << 30) while true do end"},
        {kMemory, "local t = {} while true do pcall(function() t[#t + 1] = string.rep('y', 4096) .. #t end) end"},
        {kMemory, "local t = {} for i = 1, 1e7 do t[i] = 'v' .. i end return table.concat(t)"},
    };
    LuaSandbox sandbox;
    for (const auto &[reason, source] : calls) {
        // Memory hogs get a long time limit: a slow machine must not turn them into time-outs.
        sandbox.setLimits(limits(reason == kTime ? 200 : 60000, 8u * 1024u * 1024u));
        auto status = sandbox.run(source, "@call.vds");
        ASSERT_FALSE(status.ok()) << source;
        EXPECT_EQ(sandbox.lastAbort(), reason) << source << ": " << status.error();
        const char *text = reason == kTime ? "call.vds:1: stopped at the time limit" : "memory limit";
        EXPECT_TRUE(reason == kRefused || status.error().find(text) != std::string::npos) << status.error();
    }
    // A coroutine created in an earlier call is stopped in a later one.
    ASSERT_TRUE(sandbox.run("spin = coroutine.create(function() while true do end end)", "=t").ok());
    sandbox.setLimits(limits(200));
    EXPECT_FALSE(sandbox.run("coroutine.resume(spin) while true do end", "=t").ok());
    EXPECT_EQ(sandbox.lastAbort(), AbortReason::TimeLimit);
    // After them ordinary calls work, with a fresh time budget, metamethods other than __gc and
    // repeating nothing. Under a 16 MB cap, much more than 16 MB in short-lived allocations
    // succeeds, also where library buffers (rep, concat) grow without the emergency collection.
    sandbox.setLimits(limits(60000, 16u * 1024u * 1024u));
    for (const char *fine :
         {"local n = 0 for i = 1, 1000 do n = n + i end assert(n == 500500)",
          "local t = setmetatable({}, { __index = function() return 5 end }) assert(t.x == 5)",
          "local t = { 3, 1, 2 } table.sort(t) assert(t[1] == 1 and math.max(1, 2) == 2)",
          "assert(string.rep('', 1 << 62) == '' and ('x'):rep(3) == 'xxx')",
          "for i = 1, 200 do local s = string.rep('z', 1 << 20) .. i end",
          "local k = string.rep('k', 5 << 20) for i = 1, 30 do local s = string.rep('x', 3 << 20) .. i end",
          "local k = string.rep('k', 7 << 20) for i = 1, 30 do local s = string.rep('x', 3 << 20) .. i end"}) {
        auto status = sandbox.run(fine, "=t");
        EXPECT_TRUE(status.ok()) << fine << ": " << status.error();
        EXPECT_EQ(sandbox.lastAbort(), AbortReason::None);
    }
    LuaSandbox tiny(limits(1000, 1024));
    EXPECT_FALSE(tiny.run("return 1", "=t").ok());
}

TEST(LuaSandbox, BreakFromAnotherThreadEndsTheRunningCall)
{
    // No time limit: only the break can end these loops.
    LuaSandbox sandbox(limits(0));
    for (const char *loop : {"while true do end", "while true do pcall(function() while true do end end) end",
                             // Backtracking inside the pattern matcher, far longer than any test runs.
                             "local s = string.rep('a', 60) return s:find(string.rep('.-', 14) .. 'b')"}) {
        auto status = runAndBreak(sandbox, loop);
        ASSERT_FALSE(status.ok()) << loop;
        EXPECT_EQ(sandbox.lastAbort(), AbortReason::Break) << loop;
        EXPECT_NE(status.error().find("break"), std::string::npos) << status.error();
    }
    // The request is consumed by the call it stopped.
    EXPECT_TRUE(sandbox.run("return 1", "=t").ok());
    // A request made between calls stops the next one before it starts.
    sandbox.requestBreak();
    EXPECT_FALSE(sandbox.run("return 1", "=t").ok());
    EXPECT_EQ(sandbox.lastAbort(), AbortReason::Break);
    sandbox.requestBreak();
    sandbox.clearBreak();
    EXPECT_TRUE(sandbox.run("return 1", "=t").ok());
}

TEST(LuaSandbox, ShortTimeLimitIsNotHeldUpByALongerOneRunningElsewhere)
{
    // The watchdog sleeps until the earliest deadline; a call that starts
    // later with an earlier deadline must wake it.
    LuaSandbox patient(limits(120000));
    std::atomic<bool> started{false};
    std::thread longCall([&] {
        started = true;
        const bool ended = !patient.run("while true do end", "=long").ok();
        EXPECT_TRUE(ended);
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    LuaSandbox hasty(limits(150));
    const auto begin = std::chrono::steady_clock::now();
    auto status = hasty.run("local x = 0 while true do x = x + 1 end", "=short");
    const auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(hasty.lastAbort(), AbortReason::TimeLimit);
    // Ended by its own limit, not by the other call's two minutes.
    EXPECT_LT(waited, std::chrono::seconds(30));

    patient.requestBreak();
    longCall.join();
    EXPECT_EQ(patient.lastAbort(), AbortReason::Break);
}

TEST(LuaSandbox, HostProgramKeepsTheStopSignalAndCallsStillStop)
{
    // Run in a fresh process: the signal is taken before the first sandbox.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto scenario = [] {
        struct sigaction own {};
        own.sa_handler = [](int) {};
        sigemptyset(&own.sa_mask);
        if (sigaction(LuaSandbox::stopSignal(), &own, nullptr) != 0)
            std::exit(2);
        LuaSandbox sandbox(limits(100));
        if (sandbox.run("while true do end", "=t").ok() || sandbox.lastAbort() != AbortReason::TimeLimit)
            std::exit(3);
        LuaSandbox unlimited(limits(0));
        if (runAndBreak(unlimited, "while true do end").ok() || unlimited.lastAbort() != AbortReason::Break)
            std::exit(4);
        // The host's handler is still the one installed.
        struct sigaction now {};
        sigaction(LuaSandbox::stopSignal(), nullptr, &now);
        std::exit(now.sa_handler == own.sa_handler ? 0 : 5);
    };
    EXPECT_EXIT(scenario(), testing::ExitedWithCode(0), "");
}

// A forked child keeps none of the parent's threads, the watchdog's included;
// its calls must still stop, whatever the watchdog was doing at the fork.
TEST(LuaSandbox, CallsInAForkedChildStillStopAtTheTimeLimit)
{
    LuaSandbox sandbox(limits(100));
    ASSERT_FALSE(sandbox.run("while true do end", "=t").ok());
    EXPECT_TRUE(kitbox::testing::trueInForkedChild([&] {
        const bool stopped =
            !sandbox.run("while true do end", "=t").ok() && sandbox.lastAbort() == AbortReason::TimeLimit;
        LuaSandbox fresh(limits(100));
        return stopped && !fresh.run("while true do end", "=t").ok();
    })) << "the child's endless loop did not stop";
}
