// The sandbox's own pattern functions must behave exactly like the standard
// library's, and must be stoppable while they backtrack.
#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

using vedamis::AbortReason;
using vedamis::LuaSandbox;

namespace {

// Runs many find/match/gmatch/gsub calls and returns every outcome as text.
const char *const kBattery = R"lua(
local out = {}
local function rec(...)
  local t = table.pack(...)
  for i = 1, t.n do t[i] = type(t[i]) .. ":" .. tostring(t[i]) end
  out[#out + 1] = table.concat(t, ",")
end
local subjects = { "hello world from Lua", "  key = value ; other=1 ", "THE (quick) fox [jumps] {over}",
  "a,b,,c", "", "aaa", "x = 10.5e3, y=-7", "THE END\0null", "f(a(b)c)d" }
local patterns = { "o", "l+", "l*", "l-", "l?", "^h", "a$", "^$", "%a+", "%A+", "%d+", "%D", "%s*=%s*",
  "(%w+)%s*=%s*(%w+)", "()ll()", "%b()", "%b[]", "%f[%a]%a+", "%f[%A]", "%f[%z]", "[%a_][%w_]*", "[^,]*",
  "[a-f]+", "[%]]", "[]]", "[^%s%p]+", "(a)%1", "(h)(e)(l)(l)(o)", ".-", "", "^", "$", "%.", ".",
  "[+-]?%d+%.?%d*[eE]?[+-]?%d*", "%z", "%x+", "%u+", "%l+", "%p+", "%c", "%g+", "(%a)(%a*)",
  "((%a)%a*)", "a-b", "(.-)%s", "^(%s*)(.-)(%s*)$", "%w+$", "\0", "[a-]", "[-a]" }
for _, s in ipairs(subjects) do
  for _, p in ipairs(patterns) do
    for _, init in ipairs({ 1, 3, -4, 0, 100 }) do
      rec(pcall(string.find, s, p, init))
      rec(pcall(string.match, s, p, init))
    end
    rec(pcall(string.find, s, p, 2, true))
    rec(pcall(function()
      local r = {}
      for a, b in s:gmatch(p) do
        r[#r + 1] = tostring(a) .. "|" .. tostring(b)
        if #r > 50 then break end
      end
      for a in string.gmatch(s, p, 4) do r[#r + 1] = tostring(a) if #r > 100 then break end end
      return table.concat(r, ";")
    end))
    rec(pcall(string.gsub, s, p, "<%0>"))
    rec(pcall(string.gsub, s, p, "%1-%%", 2))
    rec(pcall(string.gsub, s, p, function(a) return a and #a > 2 and a:upper() end))
    rec(pcall(string.gsub, s, p, { hello = "HI", o = 0, a = false }))
  end
end
for _, p in ipairs({ "%", "[a", "(a", "a)", "%b", "%ba", "%f", "%fx", "%9", "%1", "(()", "[a%", string.rep("()", 33) }) do
  rec(pcall(string.find, "abc", p))
  rec(pcall(string.gsub, "abc", p, "x"))
end
rec(pcall(string.gsub, "abc", "(b)", "%2"))
rec(pcall(string.gsub, "abc", "b", "%x"))
rec(pcall(string.gsub, "abc", "b", true))
rec(pcall(string.gsub, "abc", "b", function() return {} end))
rec(pcall(string.match, string.rep("a", 300), string.rep("a?", 300)))
rec(pcall(string.gsub, "hello world", "%w+", "%0 %0", -1))
rec(pcall(string.gsub, "abc", "", "-"))
rec(pcall(string.gsub, "hello", "()", "%1"))
return table.concat(out, "\n")
)lua";

std::string runBattery(lua_State *L)
{
    if (luaL_loadstring(L, kBattery) != LUA_OK || lua_pcall(L, 0, 1, 0) != LUA_OK)
        return std::string("error: ") + lua_tostring(L, -1);
    std::string result = lua_tostring(L, -1);
    lua_pop(L, 1);
    return result;
}

} // namespace

TEST(SandboxPatterns, BehaveExactlyLikeTheStandardLibrary)
{
    lua_State *plain = luaL_newstate();
    luaL_openlibs(plain);
    const std::string expected = runBattery(plain);
    lua_close(plain);
    ASSERT_EQ(expected.rfind("error: ", 0), std::string::npos) << expected;

    LuaSandbox sandbox;
    lua_State *L = sandbox.state();
    ASSERT_TRUE(sandbox.run("return 0", "=warm").ok());
    ASSERT_EQ(luaL_loadstring(L, kBattery), LUA_OK);
    ASSERT_TRUE(sandbox.call(0, 1).ok());
    const std::string actual = lua_tostring(L, -1);
    lua_pop(L, 1);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 5000);
    // Compare line by line for a readable failure.
    size_t a = 0, e = 0;
    int line = 1;
    while (a < actual.size() || e < expected.size()) {
        const size_t aEnd = std::min(actual.find('\n', a), actual.size());
        const size_t eEnd = std::min(expected.find('\n', e), expected.size());
        ASSERT_EQ(actual.substr(a, aEnd - a), expected.substr(e, eEnd - e)) << "outcome " << line;
        a = aEnd + 1;
        e = eEnd + 1;
        ++line;
    }
}

TEST(SandboxPatterns, BacktrackingPatternsStopAtTheTimeLimitAndOnBreak)
{
    vedamis::SandboxLimits limits;
    limits.timeLimitMs = 200;
    LuaSandbox sandbox(limits);
    // Each would backtrack for far longer than any test runs.
    const char *calls[] = {
        "local s = string.rep('a', 60) return s:find(string.rep('.-', 14) .. 'b')",
        "local s = string.rep('a', 60) return s:match(string.rep('a*', 14) .. 'b')",
        "local s = string.rep('a', 60) for x in s:gmatch(string.rep('a-', 14) .. 'b') do end",
        "local s = string.rep('a', 60) return s:gsub(string.rep('.*', 14) .. 'b', 'x')",
        "local s = string.rep('a', 60) while true do pcall(string.find, s, string.rep('.-', 14) .. 'b') end",
    };
    for (const char *call : calls) {
        auto status = sandbox.run(call, "=p");
        ASSERT_FALSE(status.ok()) << call;
        EXPECT_EQ(sandbox.lastAbort(), AbortReason::TimeLimit) << call << ": " << status.error();
    }

    limits.timeLimitMs = 0;
    sandbox.setLimits(limits);
    std::thread breaker([&sandbox] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sandbox.requestBreak();
    });
    auto status = sandbox.run(calls[0], "=p");
    breaker.join();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(sandbox.lastAbort(), AbortReason::Break);
}
