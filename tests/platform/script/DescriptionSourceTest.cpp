#include "../prg/DescriptionSamples.h"

#include <vedamis/DescriptionSource.h>
#include <vedamis/LuaSandbox.h>

#include <gtest/gtest.h>
#include <lua.hpp>

#include <string>

using kitbox::testing::take;
using vedamis::LuaSandbox;

namespace {

// The source that uses every declaration (d_test.vds), and the info block it compiles to.
std::string dataFile(const char *name)
{
    return kitbox::testing::dataText(std::string("description/") + name);
}

kitbox::Result<vedamis::SourceModel> evaluate(LuaSandbox &sandbox, const std::string &source)
{
    return vedamis::evaluateSource(sandbox, source, "t.vds");
}

std::string evaluationError(const std::string &source)
{
    LuaSandbox sandbox;
    auto model = evaluate(sandbox, source);
    return model.ok() ? std::string("(no error)") : model.error();
}

const std::string kEcu = "ecu { name = \"D_TEST\" }\n";

} // namespace

TEST(DescriptionSource, BuildsTheModelFromAllDeclarations)
{
    const std::string source = dataFile("d_test.vds");
    LuaSandbox sandbox;
    const vedamis::SourceModel model = take(evaluate(sandbox, source));
    // Names, comments, uses, arguments and results are all in the info block.
    EXPECT_EQ(vedamis::buildInfoBlock(model), dataFile("d_test.info"));
    // Package, date and version are kept in the model only.
    EXPECT_EQ(std::tie(model.ecu.package, model.ecu.from, model.ecu.bipVersion, model.ecuLine, model.isGroup),
              std::make_tuple("7", "2026-01-02", "5.3.0", 6, false));
    ASSERT_EQ(model.jobs.size(), 2u);
    EXPECT_EQ(model.jobs[0].line, 25);
    ASSERT_EQ(model.tables.size(), 1u);
    const prg::Table &table = model.tables[0];
    EXPECT_EQ(std::tie(table.name, table.columns, table.rows), std::make_tuple("TEXTS", 2u, 3u));
    EXPECT_EQ(table.cells, (std::vector<std::string>{"NR", "TEXT", "1", "with ; semicolon", "2",
                                                     "quote \" and 'single'", "3", "two\nlines"}));

    // A byte order mark in front changes nothing.
    LuaSandbox second;
    EXPECT_EQ(vedamis::buildInfoBlock(take(evaluate(second, "\xEF\xBB\xBF" + source))), vedamis::buildInfoBlock(model));
}

TEST(DescriptionSource, JobFunctionsRunLaterWithTheEnginesFunctionsAndTopLevelHelpers)
{
    LuaSandbox sandbox;
    lua_State *L = sandbox.state();
    // The engine may have installed its job interface before evaluating.
    ASSERT_TRUE(sandbox
                    .run("function hex(s) return string.char(tonumber(s:sub(1, 2), 16), tonumber(s:sub(3, 4), 16)) end",
                         "=engine")
                    .ok());
    take(evaluate(sandbox, dataFile("d_test.vds")));

    // The declarations are gone, the engine's function is back.
    EXPECT_EQ(lua_getglobal(L, "job"), LUA_TNIL);
    EXPECT_EQ(lua_getglobal(L, "hex"), LUA_TFUNCTION);
    lua_pop(L, 2);

    ASSERT_EQ(lua_getfield(L, LUA_REGISTRYINDEX, vedamis::kJobRegistryKey), LUA_TTABLE);
    EXPECT_EQ(lua_getfield(L, -1, "Status_Read"), LUA_TNIL); // keys are upper-cased
    lua_pop(L, 1);
    ASSERT_EQ(lua_getfield(L, -1, "STATUS_READ"), LUA_TFUNCTION);
    ASSERT_TRUE(sandbox.call(0, 1).ok());
    EXPECT_DOUBLE_EQ(lua_tonumber(L, -1), 1000.0); // 0x0FA0 / 4 through the local helper
    lua_pop(L, 1);
    EXPECT_EQ(lua_getfield(L, -1, "PLAIN"), LUA_TFUNCTION);
    lua_pop(L, 2);
    EXPECT_EQ(lua_getfield(L, LUA_REGISTRYINDEX, vedamis::kIdentifyKey), LUA_TNIL);
    lua_pop(L, 1);
}

TEST(DescriptionSource, JobFunctionsKeptInTopLevelLocalsWorkOnceTheEngineProvidesThem)
{
    LuaSandbox sandbox;
    lua_State *L = sandbox.state();
    take(evaluate(sandbox, kEcu + "local send = send\njob \"J\" { run = function() return send('ping') end }\n"));
    ASSERT_EQ(lua_getfield(L, LUA_REGISTRYINDEX, vedamis::kJobRegistryKey), LUA_TTABLE);
    lua_getfield(L, -1, "J");
    auto early = sandbox.call(0, 1);
    ASSERT_FALSE(early.ok());
    EXPECT_NE(early.error().find("send is only available while a job runs"), std::string::npos) << early.error();

    ASSERT_TRUE(sandbox.run("function send(x) return x .. '-pong' end", "=engine").ok());
    lua_getfield(L, -1, "J");
    ASSERT_TRUE(sandbox.call(0, 1).ok());
    EXPECT_STREQ(lua_tostring(L, -1), "ping-pong");
    lua_pop(L, 2);
}

TEST(DescriptionSource, GroupDeclarationKeepsVariantsAndIdentify)
{
    LuaSandbox sandbox;
    const vedamis::SourceModel model = take(evaluate(
        sandbox, kEcu + "group {\n variants = { \"D_A\", \"D_B\" },\n identify = function() return \"D_B\" end,\n}\n"));
    EXPECT_TRUE(model.isGroup);
    EXPECT_EQ(model.groupLine, 2);
    EXPECT_EQ(model.variants, (std::vector<std::string>{"D_A", "D_B"}));
    lua_State *L = sandbox.state();
    ASSERT_EQ(lua_getfield(L, LUA_REGISTRYINDEX, vedamis::kIdentifyKey), LUA_TFUNCTION);
    ASSERT_TRUE(sandbox.call(0, 1).ok());
    EXPECT_STREQ(lua_tostring(L, -1), "D_B");
    lua_pop(L, 1);
}

TEST(DescriptionSource, ErrorsNameTheLineOfTheOffendingDeclaration)
{
    struct Case {
        std::string source;
        std::string expected; // the whole message starts with this
    };
    const Case cases[] = {
        {kEcu + "job \"A\" { run = function() end }\n\njob \"a\" { run = function() end }\n",
         "t.vds:4: job a is declared twice (first at line 2"},
        {kEcu + "tab \"T\" { { \"X\" } }\ntab \"t\" { { \"X\" } }\n", "t.vds:3: table t is declared twice"},
        {kEcu + "tab \"T\" {\n { \"A\", \"B\" },\n { \"1\" },\n}\n",
         "t.vds:2: table T row 1 has 1 cells, the header has 2"},
        {kEcu + "tab \"T\" { { \"A\" }, { 5 } }\n", "t.vds:2: table T row 1 cell 1 is a number, not a text"},
        {kEcu + "tab \"T\" { }\n", "t.vds:2: table T needs at least its header row"},
        {kEcu + "tab \"T\" { { \"A\" }, x = 1 }\n", "t.vds:2: table T must be a list"},
        {kEcu + "local x = 1\nx = x +\n", "t.vds:4:"}, // Lua's own syntax error line
        {kEcu + "job \"J\" {\n  runn = function() end,\n}\n", "t.vds:2: job J has the unknown field 'runn'"},
        {kEcu + "job \"J\" { }\n", "t.vds:2: job J has no run function"},
        {kEcu + "job \"MY JOB\" { run = function() end }\n", "t.vds:2: job name 'MY JOB' contains a blank"},
        {kEcu + "job \"" + std::string(64, 'J') + "\" { run = function() end }\n", "t.vds:2: job name"},
        {kEcu + "job \"J\" { results = { { name = \"R\", type = \"float\" } }, run = function() end }\n",
         "t.vds:2: job J result R has the unknown type 'float'"},
        {kEcu + "job \"J\" { results = { { name = \"R\", type = \"int\" }, { name = \"r\", type = \"int\" } }, run = "
                "function() end }\n",
         "t.vds:2: job J result r is declared twice"},
        {kEcu + "job \"J\" { args = { { type = \"int\" } }, run = function() end }\n",
         "t.vds:2: job J argument entry 1 needs a name"},
        {kEcu + "job \"J\"\necu { name = \"X\" }\n", "t.vds:2: job J has no body"},
        {kEcu + "job { run = function() end }\n", "t.vds:2: job needs a name"},
        {kEcu + "\necu { name = \"D_TEST\" }\n", "t.vds:3: ecu is declared twice (first at line 1)"},
        {"ecu { name = \"D_TEST\", revison = \"1\" }\n", "t.vds:1: ecu has the unknown field 'revison'"},
        {"ecu { origin = \"x\" }\n", "t.vds:1: ecu needs a name"},
        {"ecu { name = \"D\", origin = \"two\\nlines\" }\n", "t.vds:1: ecu field origin must be one line"},
        {"ecu { name = \"D\", uses = { \"A\", 3 } }\n", "t.vds:1: ecu uses must be a name or a list of names"},
        {"job \"J\" { run = function() end }\n", "t.vds:1: the description has no ecu"},
        {kEcu + "local r = send(\"x\")\n", "t.vds:2: send is only available while a job runs"},
        {kEcu + "error('custom problem')\n", "t.vds:2: custom problem"},
        {kEcu + "group { variants = {}, identify = function() end }\n",
         "t.vds:2: group needs a non-empty variants list"},
        {kEcu + "group { variants = { \"A\" } }\n", "t.vds:2: group has no identify function"},
        {kEcu + "local ok = io.open('x')\n", "t.vds:2: attempt to index a nil value (global 'io')"},
        {kEcu + "-- caf\xC3\n", "t.vds:2: the source is not valid UTF-8"},
    };
    for (const Case &c : cases) {
        const std::string error = evaluationError(c.source);
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << "source:\n" << c.source << "\nerror: " << error;
    }
}

TEST(DescriptionSource, EvaluationIsBoundedAndLeavesNoDeclarationsBehind)
{
    vedamis::SandboxLimits limits;
    limits.timeLimitMs = 200;
    LuaSandbox sandbox(limits);
    auto looping = evaluate(sandbox, kEcu + "local n = 0\nwhile true do n = n + 1 end\n");
    ASSERT_FALSE(looping.ok());
    EXPECT_EQ(looping.error().rfind("t.vds:3: stopped at the time limit", 0), 0u) << looping.error();

    // A declaration function kept by the script cannot be used once the evaluation is over.
    take(evaluate(sandbox, kEcu + "keep = job\n"));
    auto late = sandbox.run("keep 'LATE' { run = function() end }", "=late");
    ASSERT_FALSE(late.ok());
    EXPECT_NE(late.error().find("only possible while a description is evaluated"), std::string::npos);

    // A second evaluation in the same state starts from an empty job registry.
    take(evaluate(sandbox, dataFile("d_test.vds")));
    take(evaluate(sandbox, kEcu));
    lua_State *L = sandbox.state();
    ASSERT_EQ(lua_getfield(L, LUA_REGISTRYINDEX, vedamis::kJobRegistryKey), LUA_TTABLE);
    lua_pushnil(L);
    EXPECT_EQ(lua_next(L, -2), 0);
    lua_pop(L, 1);
}
