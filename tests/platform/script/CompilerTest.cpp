#include "../prg/DescriptionSamples.h"

#include <vedamis/Compiler.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using kitbox::testing::readAll;
using kitbox::testing::take;

namespace {

class CompilerTest : public ::testing::Test {
protected:
    std::string write(const std::string &name, const std::string &text)
    {
        kitbox::testing::writeRaw(path(name), text);
        return path(name);
    }
    std::string path(const std::string &name) const { return m_dir.file(name); }
    long files() const { return std::distance(fs::directory_iterator(m_dir.path), fs::directory_iterator()); }

    // Runs the real program; returns its exit code and fills `errors` with its stderr.
    int runTool(const std::string &arguments, std::string &errors)
    {
        const std::string errFile = path("stderr.txt");
        const std::string command = std::string("\"") + KITBOX_BIN_DIR + "/vedamis-compile\" " + arguments + " 2>\"" +
                                    errFile + "\" >/dev/null";
        const int status = std::system(command.c_str());
        errors = readAll(errFile);
        fs::remove(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    kitbox::testing::TempDir m_dir;
};

const std::string kCells = "ecu { name = \"D_CELLS\" }\n"
                           "tab \"T\" {\n"
                           "  { \"KEY\", \"TEXT\" },\n"
                           "  { \"a;b\", \"he said \\\"hi\\\"; 'ok'\" },\n"
                           "  { \"multi\", [[line one\nline two]] },\n"
                           "}\n"
                           "job \"J\" { results = { { name = \"R\", type = \"text\" } }, run = function() end }\n";

} // namespace

TEST_F(CompilerTest, WritesTheDescriptionAndCellsRoundTrip)
{
    const std::string source = write("d_cells.vds", kCells);
    const std::string output = path("D_Cells.prg");
    auto status = vedamis::compileFile(source, output);
    ASSERT_TRUE(status.ok()) << status.error();
    const prg::Description d = take(prg::readDescriptionFile(output));
    EXPECT_FALSE(d.isGroup);
    EXPECT_EQ(d.script, kCells);
    EXPECT_EQ(d.infoBlock, "ECU:D_CELLS\nORIGIN:\nREVISION:\nAUTHOR:\nJOBNAME:J\nRESULT:R\nRESULTTYPE:text\n");
    ASSERT_EQ(d.tables.size(), 1u);
    EXPECT_EQ(d.tables[0].cells,
              (std::vector<std::string>{"KEY", "TEXT", "a;b", "he said \"hi\"; 'ok'", "multi", "line one\nline two"}));
    // Only the output itself is in the directory: no temporary file is left.
    EXPECT_EQ(files(), 2);

    // The program writes the same bytes.
    std::string errors;
    ASSERT_EQ(runTool("\"" + source + "\" -o \"" + path("D_CELLS.PRG") + "\"", errors), 0) << errors;
    EXPECT_EQ(readAll(path("D_CELLS.PRG")), take(prg::serialize(d)));
}

TEST_F(CompilerTest, OutputKindAndNameMustMatchTheSource)
{
    const std::string group = "ecu { name = \"D_G\" }\n"
                              "group { variants = { \"D_A\" }, identify = function() return \"D_A\" end }\n";
    EXPECT_TRUE(take(vedamis::compileSource(group, "g.vds", "/x/d_g.GRP")).isGroup);

    const struct {
        std::string source;
        const char *output;
        const char *error; // the message starts with this
    } cases[] = {
        {group, "/x/D_G.prg", "t.vds:2: a group declaration needs a .grp output"},
        {"ecu { name = \"D_G\" }", "D_G.grp", "t.vds:1: a .grp output needs a group"},
        {"\necu { name = \"D_G\" }", "D_H.prg", "t.vds:2: the ecu name D_G does not match the output name D_H"},
        {"ecu { name = \"D_G\" }", "D_G.txt", "D_G.txt: the output must end in .prg or .grp"},
    };
    for (const auto &c : cases) {
        auto compiled = vedamis::compileSource(c.source, "t.vds", c.output);
        ASSERT_FALSE(compiled.ok()) << c.output;
        EXPECT_EQ(compiled.error().rfind(c.error, 0), 0u) << compiled.error();
    }
}

// The source checks themselves are the description source tests'; here the
// program's part: the message with file and line, the exit code, no output.
TEST_F(CompilerTest, FailedCompileWritesNothingAndKeepsAnOlderOutput)
{
    const std::string output = path("D_X.prg");
    auto missing = vedamis::compileFile(path("absent.vds"), output);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("absent.vds: no such file"), std::string::npos);
    EXPECT_FALSE(fs::exists(output));

    ASSERT_TRUE(vedamis::compileFile(write("good.vds", "ecu { name = \"D_X\" }"), output).ok());
    const std::string before = readAll(output);
    EXPECT_FALSE(
        vedamis::compileFile(write("bad.vds", "ecu { name = \"D_X\" }\ntab \"T\" { { \"A\" }, { } }"), output).ok());
    EXPECT_EQ(readAll(output), before);

    const std::pair<const char *, std::string> cases[] = {
        {"syntax.vds:3:", "ecu { name = \"D_OUT\" }\n\njob \"J\" { run = function() if end }\n"},
    };
    for (const auto &[message, text] : cases) {
        const std::string file = std::string(message).substr(0, std::string(message).find(':'));
        std::string errors;
        EXPECT_EQ(runTool("\"" + write(file, text) + "\" -o \"" + path("D_OUT.prg") + "\"", errors), 1) << file;
        EXPECT_NE(errors.find(message), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(path("D_OUT.prg"))) << file;
    }
    // Leftovers of a failed write would show up as extra files.
    EXPECT_EQ(files(), 4);

    std::string errors;
    EXPECT_EQ(runTool("--help", errors), 0);
    EXPECT_EQ(runTool("\"" + path("syntax.vds") + "\"", errors), 1);
    EXPECT_NE(errors.find("-o"), std::string::npos);
}

// The worked example of docs/description-source.md compiles to the info block the page shows.
TEST(CompilerDocumentation, WorkedExampleCompilesAsDocumented)
{
    const std::string page = readAll(std::string(KITBOX_SOURCE_DIR) + "/docs/description-source.md");
    const size_t section = page.find("## A complete example");
    ASSERT_NE(section, std::string::npos) << "documentation not found";
    auto block = [&page](const std::string &fence, size_t from) {
        const size_t start = page.find(fence + "\n", from);
        const size_t end = page.find("\n```\n", start);
        if (start == std::string::npos || end == std::string::npos)
            return std::string();
        return page.substr(start + fence.size() + 1, end + 1 - (start + fence.size() + 1));
    };
    const std::string source = block("```lua", section);
    const std::string info = block("```text", section);
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(info.empty());

    const prg::Description description = take(vedamis::compileSource(source, "d_klima.vds", "D_KLIMA.prg"));
    EXPECT_EQ(description.infoBlock, info);
    ASSERT_EQ(description.tables.size(), 1u);
    const prg::Table &table = description.tables[0];
    EXPECT_EQ(std::tie(table.name, table.columns, table.rows), std::make_tuple("GEBLAESE_STUFE", 2u, 5u));
    EXPECT_EQ(table.cells[5], "Stufe 1; leise");
    EXPECT_EQ(table.cells[7], "Stufe 2 \"normal\"");
    EXPECT_EQ(table.cells[9], "Stufe 3\n(laut)");
}
