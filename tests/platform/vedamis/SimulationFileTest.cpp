// Simulation files: matching rules, response cycles and every parse error
// naming file and line.
#include <vedamis/SimulationFile.h>

#include <gtest/gtest.h>

using namespace std::string_literals;
using vedamis::SimResponse;
using vedamis::SimulationFile;

namespace {

SimulationFile parsed(const char *text)
{
    SimulationFile file;
    std::string error;
    EXPECT_TRUE(file.parse(text, "T.SIM", error)) << error;
    return file;
}

TEST(SimulationFile, MatchesExactWildcardAndOpenEnd)
{
    SimulationFile file = parsed("; comment line\r\n"
                                 "22F40C = 62 F4 0C 0B B8   # trailing comment\r\n"
                                 "\n"
                                 "31 01 ?? ?? * = 7F 31 22\n"
                                 "3E ?? = 7E 00\n");
    ASSERT_EQ(file.entries().size(), 3u);
    EXPECT_EQ(file.entries()[0].line, 2);
    EXPECT_EQ(file.match("\x22\xF4\x0C"s), 0);
    EXPECT_EQ(file.match("\x22\xF4\x0C\x00"s), -1); // no open end: lengths must agree
    EXPECT_EQ(file.match("\x31\x01\xAA\xBB"s), 1);
    EXPECT_EQ(file.match("\x31\x01\xAA\xBB\x01\x02\x03"s), 1);
    EXPECT_EQ(file.match("\x31\x01\xAA"s), -1); // wildcards need their byte
    EXPECT_EQ(file.match("\x3E\x80"s), 2);
    EXPECT_EQ(file.match("\x10\x01"s), -1);
}

TEST(SimulationFile, FirstMatchWinsAndResponsesCycle)
{
    SimulationFile file = parsed("22 F4 0C = 01 | 02 | @150 03\n"
                                 "22 * = 99\n");
    SimResponse r;
    int line = 0;
    std::string seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(file.answer("\x22\xF4\x0C"s, r, line));
        seen += std::to_string(static_cast<unsigned char>(r.bytes[0])) + "/" + std::to_string(r.delayMs) + " ";
    }
    EXPECT_EQ(seen, "1/0 2/0 3/150 1/0 ");
    ASSERT_TRUE(file.answer("\x22\x00"s, r, line));
    EXPECT_EQ(r.bytes, "\x99"s);
    EXPECT_EQ(line, 2);
    EXPECT_FALSE(file.answer("\x10"s, r, line));

    // No answer, also after a delay.
    file = parsed("3E 00 = NONE\n10 01 = @300 none | 50 01\n");
    ASSERT_TRUE(file.answer("\x3E\x00"s, r, line));
    EXPECT_TRUE(r.none);
    ASSERT_TRUE(file.answer("\x10\x01"s, r, line));
    EXPECT_TRUE(r.none);
    EXPECT_EQ(r.delayMs, 300);
    ASSERT_TRUE(file.answer("\x10\x01"s, r, line));
    EXPECT_FALSE(r.none);
}

TEST(SimulationFile, ParseErrorsNameFileAndLine)
{
    const struct {
        const char *text;
        const char *reason;
    } cases[] = {
        {"22 F4 0C 62 F4\n", "T.SIM:1: '=' missing"},
        {"; ok\n22 F = 62\n", "T.SIM:2: odd number of hex digits"},
        {"22 ZZ = 62\n", "T.SIM:1: 'ZZ' is not a hex byte"},
        {"22 * 0C = 62\n", "T.SIM:1: '*' may only end a request"},
        {"22 = ?? 00\n", "T.SIM:1: '?"
                         "?' is only allowed in requests"},
        {"22 = @70000 62\n", "T.SIM:1: delay 70000 ms above 60000"},
        {"22 = 62 ||\n", "T.SIM:1: empty response"},
        {"= 62\n", "T.SIM:1: empty request"},
        {"22 = @x 62\n", "T.SIM:1: '@' needs a delay"},
        {"22 = 6?\n", "T.SIM:1: '?"
                      "?' is only allowed"},
    };
    for (const auto &c : cases) {
        SimulationFile file;
        std::string error;
        EXPECT_FALSE(file.parse(c.text, "T.SIM", error)) << c.text;
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << "got: " << error;
        EXPECT_TRUE(file.entries().empty());
    }
}

} // namespace
