// The sandbox's own pattern, table and rep functions must behave exactly
// like the standard library's, and must be stoppable in their loops.
#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <sstream>
#include <string>

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

// Table functions and rep on plain tables, tables with metamethods, and bad arguments.
const char *const kTableBattery = R"lua(
local out = {}
local function dump(t)
  local r = {}
  for i = -1, 8 do r[#r + 1] = tostring(rawget(t, i)) end
  return table.concat(r, " ")
end
local function rec(ok, ...)
  local t = table.pack(...)
  for i = 1, t.n do t[i] = type(t[i]) == "table" and "table" or type(t[i]) .. ":" .. tostring(t[i]) end
  out[#out + 1] = tostring(ok) .. "," .. table.concat(t, ",")
end
local function fresh() return { "a", "b", "c", "d" } end
for _, args in ipairs({ { "x" }, { 1, "x" }, { 3, "x" }, { 5, "x" }, { 6, "x" }, { 0, "x" }, { 1, "x", "y" }, {} }) do
  local t = fresh()
  rec(pcall(table.insert, t, table.unpack(args)))
  out[#out + 1] = dump(t)
end
for _, args in ipairs({ {}, { 1 }, { 2 }, { 4 }, { 5 }, { 6 }, { 0 }, { -1 } }) do
  local t = fresh()
  rec(pcall(table.remove, t, table.unpack(args)))
  out[#out + 1] = dump(t)
end
local empty = {}
rec(pcall(table.remove, empty)) rec(pcall(table.remove, empty, 0)) rec(pcall(table.remove, empty, 1))
for _, args in ipairs({ { 1, 4, 2 }, { 2, 4, 1 }, { 1, 4, 3 }, { 1, 0, 1 }, { -1, 2, 5 }, { 1, 4, 1 },
                        { 1, math.maxinteger, 2 }, { math.mininteger, -1, 1 }, { 1, 2, math.maxinteger } }) do
  local t = fresh()
  rec(pcall(table.move, t, table.unpack(args)))
  out[#out + 1] = dump(t)
  local other = {}
  rec(pcall(table.move, fresh(), args[1], args[2], args[3], other))
  out[#out + 1] = dump(other)
end
-- Proxies with metamethods, and values that are not tables.
local log = {}
local proxy = setmetatable({}, {
  __index = function(_, k) log[#log + 1] = "get" .. k return "v" .. k end,
  __newindex = function(_, k, v) log[#log + 1] = "set" .. k .. "=" .. tostring(v) end,
  __len = function() return 3 end })
rec(pcall(table.insert, proxy, 2, "new"))
rec(pcall(table.remove, proxy, 1))
rec(pcall(table.move, proxy, 1, 3, 2))
out[#out + 1] = table.concat(log, " ")
rec(pcall(table.insert, setmetatable({}, { __len = function() return 2 end }), "x"))
rec(pcall(table.insert, "abc", "x"))
rec(pcall(table.remove, 5))
rec(pcall(table.move, {}, 1, 2))
rec(pcall(table.move, {}, 1, 2, 1, "x"))
rec(pcall(table.insert, {}, 1.5, "x"))
rec(pcall(table.insert, {}, "1", "x"))
for _, args in ipairs({ { "ab", 3 }, { "ab", 3, ", " }, { "", 5 }, { "", 5, "-" }, { "x", 0 }, { "x", -3 },
                        { "ab", "3" }, { {}, 2 }, { "ab", 2.5 }, { "ab" } }) do
  rec(pcall(string.rep, table.unpack(args)))
end
return table.concat(out, "\n")
)lua";

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
long compareWithStandardLibrary(const char *battery)
{
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
    EXPECT_GT(compareWithStandardLibrary(kBattery), 5000);
}

TEST(SandboxLibrary, TableFunctionsAndRepBehaveExactlyLikeTheStandardLibrary)
{
    EXPECT_GT(compareWithStandardLibrary(kTableBattery), 60);
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
