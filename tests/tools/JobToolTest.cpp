// vedamis-job's logic in-process: command line, hex data, and the printed
// report of real jobs of the demo fleet.
#include "JobTool.h"

#include <vedamis/vedamis.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
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

struct Run {
    int exitCode;
    std::string out, err;
};

Run runTool(const Options &options)
{
    std::ostringstream out, err;
    const int code = vedamisjob::run(options, out, err);
    return {code, out.str(), err.str()};
}

TEST(JobToolArguments, PositionalsAndOptionsInAnyOrder)
{
    auto r = vedamisjob::parseArguments(
        {"--config", "EcuPath=/x/ecu", "D_MOTOR", "STATUS_LESEN", "ARG;DREHZAHL", "--config=IfhTrace=2", "STAT_A;B"});
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r.value().description, "D_MOTOR");
    EXPECT_EQ(r.value().job, "STATUS_LESEN");
    EXPECT_EQ(r.value().arguments, "ARG;DREHZAHL");
    EXPECT_EQ(r.value().resultFilter, "STAT_A;B");
    ASSERT_EQ(r.value().config.size(), 2u);
    EXPECT_EQ(r.value().config[0], (std::pair<std::string, std::string>{"EcuPath", "/x/ecu"}));
    // Only the first "=" separates name and value.
    EXPECT_EQ(r.value().config[1], (std::pair<std::string, std::string>{"IfhTrace", "2"}));
    EXPECT_FALSE(r.value().data.has_value());

    auto d = vedamisjob::parseArguments({"D_MOTOR", "DATEN_SCHREIBEN", "--data", "01 02 0xA0", "--results", "DATEN"});
    ASSERT_TRUE(d.ok()) << d.error();
    EXPECT_EQ(d.value().data, (std::vector<unsigned char>{0x01, 0x02, 0xA0}));
    EXPECT_EQ(d.value().resultFilter, "DATEN");

    auto e = vedamisjob::parseArguments({"--data", "", "D", "J"});
    ASSERT_TRUE(e.ok()) << e.error();
    EXPECT_TRUE(e.value().data.has_value() && e.value().data->empty());

    auto afterDashes = vedamisjob::parseArguments({"D", "J", "--", "--not-an-option"});
    ASSERT_TRUE(afterDashes.ok()) << afterDashes.error();
    EXPECT_EQ(afterDashes.value().arguments, "--not-an-option");

    auto help = vedamisjob::parseArguments({"--help"});
    ASSERT_TRUE(help.ok());
    EXPECT_TRUE(help.value().help);
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
    for (const auto &args : bad) {
        auto r = vedamisjob::parseArguments(args);
        std::string joined;
        for (const auto &a : args)
            joined += "[" + a + "]";
        EXPECT_TRUE(!r.ok() && !r.error().empty()) << joined;
    }
}

TEST(JobToolHex, ParsesSeparatorsAndLimitsAndPrintsLinesOf32Bytes)
{
    EXPECT_EQ(vedamisjob::parseHex("0102a0FF").value(), (std::vector<unsigned char>{0x01, 0x02, 0xA0, 0xFF}));
    EXPECT_EQ(vedamisjob::parseHex(" 0x01, 0x02;ff ").value(), (std::vector<unsigned char>{0x01, 0x02, 0xFF}));
    EXPECT_TRUE(vedamisjob::parseHex("").value().empty());
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
        EXPECT_EQ(r.exitCode, vedamisjob::kExitOk) << r.err;
        EXPECT_EQ(r.err, "");
        std::ifstream in(std::string(KITBOX_SOURCE_DIR) + "/tests/data/tools/" + kept, std::ios::binary);
        EXPECT_EQ(r.out, std::string(std::istreambuf_iterator<char>(in), {})) << kept;
    }
}

TEST(JobToolRun, ErrorsGiveCodeTextAndNonZeroExit)
{
    auto failing = runTool(demoOptions("D_MOTOR", "FEHLER_JOB"));
    EXPECT_EQ(failing.exitCode, vedamisjob::kExitJobError);
    EXPECT_NE(failing.err.find("error 1034 : "), std::string::npos) << failing.err;
    EXPECT_NE(failing.err.find("routine FF00 refused"), std::string::npos) << failing.err;

    auto badConfig = demoOptions("D_MOTOR", "IDENT");
    badConfig.config.emplace_back("KeinSolcherName", "1");
    auto refused = runTool(badConfig);
    EXPECT_EQ(refused.exitCode, vedamisjob::kExitJobError);
    EXPECT_NE(refused.err.find("KeinSolcherName=1 refused"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, ""); // nothing ran
}

TEST(JobToolRun, ResultFilterAndArgumentsReachTheJob)
{
    auto o = demoOptions("D_MOTOR", "STATUS_LESEN");
    o.arguments = "ARG;KUEHLMITTEL_TEMP";
    o.resultFilter = "STAT_KUEHLMITTEL_TEMP_EINH";
    auto r = runTool(o);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  STAT_KUEHLMITTEL_TEMP_EINH (text, 6) = degC\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("STAT_KUEHLMITTEL_TEMP_INFO"), std::string::npos) << r.out;
}

} // namespace
