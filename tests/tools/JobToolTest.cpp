// vedamis-job: its logic in-process (command line, hex data, the printed
// report of real jobs of the demo fleet) and the program on the demo data.
#include "JobTool.h"

#include <vedamis/vedamis.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using vedamisjob::Options;

Options demoOptions(std::string description, std::string job)
{
    Options o;
    o.description = std::move(description);
    o.job = std::move(job);
    o.config = {{"EcuPath", std::string(KITBOX_DATA_DIR) + "/ecu"},
                {"SimulationPath", std::string(KITBOX_DATA_DIR) + "/sim"},
                {"Simulation", "1"}};
    return o;
}

struct ToolRun {
    int exitCode;
    std::string out, err;
};

ToolRun runTool(const Options &options)
{
    std::ostringstream out, err;
    const int code = vedamisjob::run(options, out, err);
    return {code, out.str(), err.str()};
}

TEST(JobToolArguments, PositionalsAndOptionsInAnyOrder)
{
    const auto fields = [](const Options &o) {
        return std::tie(o.description, o.job, o.arguments, o.resultFilter, o.data, o.config, o.help);
    };
    const struct {
        std::vector<std::string> args;
        Options expected;
    } cases[] = {
        // Only the first "=" separates name and value.
        {{"--config", "EcuPath=/x", "D", "J", "ARG;DREHZAHL", "--config=IfhTrace=2", "STAT_A;B"},
         {"D", "J", "ARG;DREHZAHL", "STAT_A;B", {}, {{"EcuPath", "/x"}, {"IfhTrace", "2"}}, false}},
        {{"D", "J", "--data", "01 02 0xA0", "--results", "DATEN"},
         {"D", "J", "", "DATEN", std::vector<unsigned char>{0x01, 0x02, 0xA0}, {}, false}},
        {{"--data", "", "D", "J"}, {"D", "J", "", "", std::vector<unsigned char>{}, {}, false}},
        {{"D", "J", "--", "--not-an-option"}, {"D", "J", "--not-an-option", "", {}, {}, false}},
        {{"--help"}, {"", "", "", "", {}, {}, true}},
    };
    for (const auto &c : cases) {
        auto r = vedamisjob::parseArguments(c.args);
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_TRUE(fields(r.value()) == fields(c.expected)) << c.args.front();
    }
}

TEST(JobToolArguments, MistakesAreRefusedWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {},                                     // nothing
        {"D_MOTOR"},                            // no job
        {"D", "J", "A", "F", "extra"},          // too many
        {"D", "J", "--bogus"},                  // unknown option
        {"D", "J", "--config"},                 // missing value
        {"D", "J", "--config", "NoEquals"},     // not Name=Value
        {"D", "J", "--config", "=1"},           // empty name
        {"D", "J", "--data", "0G"},             // not hex
        {"D", "J", "--data", "012"},            // odd digit count
        {"D", "J", "ARGS", "--data", "01"},     // both argument kinds
        {"D", "J", "A", "F", "--results", "G"}, // filter twice
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        auto r = vedamisjob::parseArguments(bad[i]);
        EXPECT_TRUE(!r.ok() && !r.error().empty()) << "case " << i;
    }
}

TEST(JobToolHex, ParsesSeparatorsAndLimitsAndPrintsLinesOf32Bytes)
{
    EXPECT_EQ(vedamisjob::parseHex("0102a0FF").value(), (std::vector<unsigned char>{0x01, 0x02, 0xA0, 0xFF}));
    EXPECT_EQ(vedamisjob::parseHex(" 0x01, 0x02;ff ").value(), (std::vector<unsigned char>{0x01, 0x02, 0xFF}));
    EXPECT_FALSE(vedamisjob::parseHex("1 2").ok()); // single digits are not bytes
    EXPECT_FALSE(vedamisjob::parseHex(std::string(2 * (VEDAMIS_DATA_MAX + 1), 'A')).ok());
    EXPECT_TRUE(vedamisjob::parseHex(std::string(2 * VEDAMIS_DATA_MAX, 'A')).ok());

    std::vector<unsigned char> bytes(33);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 8);
    const std::string lines = vedamisjob::hexLines(bytes.data(), bytes.size(), "  ");
    EXPECT_EQ(lines.substr(0, 14), "  00 08 10 18 ");
    EXPECT_EQ(lines.substr(lines.find('\n') + 1), "  00\n"); // the 33rd byte alone on the second line
    EXPECT_EQ(vedamisjob::hexLines(bytes.data(), 0, "  "), "");
}

// Whole printed reports, compared with those kept in tests/data/tools: every set in order with types and values,
// binaries in lines of 32 bytes, and a binary too large for the normal buffer read through the extended one.
TEST(JobToolRun, PrintedReportsMatchTheKeptOnes)
{
    auto withData = demoOptions("D_MOTOR", "DATEN_SCHREIBEN");
    withData.data = std::vector<unsigned char>{0xDE, 0xAD, 0x00, 0x01};
    for (const auto &[options, kept] : {std::pair(demoOptions("D_MOTOR", "MEHRERE_SAETZE"), "mehrere-saetze.txt"),
                                        {withData, "daten-schreiben.txt"},
                                        {demoOptions("D_MOTOR", "BINAER_GROSS"), "binaer-gross.txt"}}) {
        auto r = runTool(options);
        EXPECT_EQ(std::pair(r.exitCode, r.err), std::pair(vedamisjob::kExitOk, std::string()));
        std::ifstream in(std::string(KITBOX_SOURCE_DIR) + "/tests/data/tools/" + kept, std::ios::binary);
        EXPECT_EQ(r.out, std::string(std::istreambuf_iterator<char>(in), {})) << kept;
    }
}

TEST(JobToolRun, ArgumentsAndFilterReachTheJobAndErrorsGiveCodeTextAndExit)
{
    auto o = demoOptions("D_MOTOR", "STATUS_LESEN");
    o.arguments = "ARG;KUEHLMITTEL_TEMP";
    o.resultFilter = "STAT_KUEHLMITTEL_TEMP_EINH";
    auto r = runTool(o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  STAT_KUEHLMITTEL_TEMP_EINH (text, 6) = degC\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("STAT_KUEHLMITTEL_TEMP_INFO"), std::string::npos) << r.out;

    r = runTool(demoOptions("D_MOTOR", "FEHLER_JOB"));
    EXPECT_EQ(r.exitCode, vedamisjob::kExitJobError);
    EXPECT_NE(r.err.find("error 1034 : routine FF00 refused"), std::string::npos) << r.err;
    o.config.emplace_back("KeinSolcherName", "1");
    r = runTool(o);
    EXPECT_EQ(r.exitCode, vedamisjob::kExitJobError);
    EXPECT_NE(r.err.find("KeinSolcherName=1 refused"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, ""); // nothing ran
}

// The program itself: exit codes and which stream its text goes to.
TEST(JobToolProgram, RunsADemoJobAndRefusesAWrongCommandLine)
{
    const std::string out = ::testing::TempDir() + "vedamis-job.out", err = ::testing::TempDir() + "vedamis-job.err";
    const auto execute = [&](const std::string &arguments) {
        const std::string command = std::string(VEDAMIS_JOB_EXE) + " " + arguments + " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        std::ifstream o(out, std::ios::binary), e(err, std::ios::binary);
        return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(std::istreambuf_iterator<char>(o), {}),
                       std::string(std::istreambuf_iterator<char>(e), {})};
    };
    const std::string data = KITBOX_DATA_DIR;
    const ToolRun ok = execute("--config 'EcuPath=" + data + "/ecu' --config 'SimulationPath=" + data +
                               "/sim' --config Simulation=1 D_MOTOR STATUS_MOTOR </dev/null");
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_NE(ok.out.find("  STAT_MOTOR_ZUSTAND_TEXT (text, 6) = Motor läuft\n"), std::string::npos) << ok.out;
    const ToolRun usage = execute("D_MOTOR </dev/null");
    EXPECT_EQ(usage.exitCode, vedamisjob::kExitUsage);
    EXPECT_NE(usage.err.find("usage: vedamis-job"), std::string::npos) << usage.err;
}

} // namespace
