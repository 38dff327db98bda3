// The sandbox's own pattern, table and rep functions must behave exactly
// like the standard library's (their loops stop at the time limit: LuaSandboxTest).
#include "../prg/DescriptionSamples.h"

#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <sstream>
#include <string>

using vedamis::LuaSandbox;

namespace {

// A battery is a script that makes many library calls and returns every outcome as text.
std::string battery(const char *name)
{
    return kitbox::testing::dataText(std::string("script/") + name);
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
