// The sandbox's own pattern, table and rep functions must behave exactly
// like the standard library's, and must be stoppable in their loops.
#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using vedamis::AbortReason;
using vedamis::LuaSandbox;

namespace {

// A battery is a script that makes many library calls and returns every outcome as text.
std::string battery(const char *name)
{
    std::ifstream in(std::string(KITBOX_SOURCE_DIR) + "/tests/data/platform/script/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string runBattery(lua_State *L, const char *battery)
{
    if (luaL_loadstring(L, battery) != LUA_OK || lua_pcall(L, 0, 1, 0) != LUA_OK)
        return std::string("error: ") + lua_tostring(L, -1);
    std::string result = lua_tostring(L, -1);
    lua_pop(L, 1);
    return result;
}

// Runs `battery` with the standard library and in the sandbox and compares
// every outcome line; returns the number of lines compared.
long compareWithStandardLibrary(const std::string &source)
{
    const char *battery = source.c_str();
    lua_State *plain = luaL_newstate();
    luaL_openlibs(plain);
    const std::string expected = runBattery(plain, battery);
    lua_close(plain);
    EXPECT_EQ(expected.rfind("error: ", 0), std::string::npos) << expected;

    LuaSandbox sandbox;
    lua_State *L = sandbox.state();
    EXPECT_EQ(luaL_loadstring(L, battery), LUA_OK);
    auto status = sandbox.call(0, 1);
    EXPECT_TRUE(status.ok()) << status.error();
    if (!status.ok())
        return 0;
    const std::string actual = lua_tostring(L, -1);
    lua_pop(L, 1);
    // Line by line for a readable failure.
    std::istringstream sandboxLines(actual), standardLines(expected);
    std::string got, want;
    long line = 0;
    while (std::getline(standardLines, want)) {
        ++line;
        if (!std::getline(sandboxLines, got) || got != want) {
            ADD_FAILURE() << "outcome " << line << ": sandbox " << got << ", standard " << want;
            return line;
        }
    }
    EXPECT_FALSE(std::getline(sandboxLines, got)) << "sandbox gives more outcomes: " << got;
    return line;
}

} // namespace

TEST(SandboxLibrary, PatternFunctionsBehaveExactlyLikeTheStandardLibrary)
{
    EXPECT_GT(compareWithStandardLibrary(battery("pattern_battery.lua")), 5000);
}

TEST(SandboxLibrary, TableFunctionsAndRepBehaveExactlyLikeTheStandardLibrary)
{
    EXPECT_GT(compareWithStandardLibrary(battery("table_battery.lua")), 60);
}

TEST(SandboxLibrary, LongLoopsInsideLibraryFunctionsStopAtTheTimeLimit)
{
    vedamis::SandboxLimits limits;
    limits.timeLimitMs = 200;
    LuaSandbox sandbox(limits);
    const char *calls[] = {
        // Moving nils allocates nothing, and __len may claim any length.
        "table.move({}, 1, math.maxinteger - 1, 2)",
        "table.move({}, 1, math.maxinteger - 1, 2, {})",
        "table.insert(setmetatable({}, { __len = function() return math.maxinteger // 2 end }), 1, 'x')",
        "table.remove(setmetatable({}, { __len = function() return math.maxinteger // 2 end }), 1)",
        // Each pattern would backtrack for far longer than any test runs.
        "local s = string.rep('a', 60) return s:find(string.rep('.-', 14) .. 'b')",
        "local s = string.rep('a', 60) return s:match(string.rep('a*', 14) .. 'b')",
        "local s = string.rep('a', 60) for x in s:gmatch(string.rep('a-', 14) .. 'b') do end",
        "local s = string.rep('a', 60) return s:gsub(string.rep('.*', 14) .. 'b', 'x')",
        "local s = string.rep('a', 60) while true do pcall(string.find, s, string.rep('.-', 14) .. 'b') end",
    };
    for (const char *call : calls) {
        auto status = sandbox.run(call, "=t");
        ASSERT_FALSE(status.ok()) << call;
        EXPECT_EQ(sandbox.lastAbort(), AbortReason::TimeLimit) << call << ": " << status.error();
    }
    // Repeating nothing is answered at once instead of looping.
    EXPECT_TRUE(sandbox.run("assert(string.rep('', 1 << 62) == '' and ('x'):rep(3) == 'xxx')", "=t").ok());
}
