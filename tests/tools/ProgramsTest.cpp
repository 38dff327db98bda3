// The two command-line programs as a user runs them: the compiler on every
// demo source and on broken sources, and vedamis-job on the demo data.
#include <prg/Prg.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string quote(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path() / ("kitbox-tools-" + std::to_string(seed()));
        ASSERT_TRUE(fs::create_directory(m_dir));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    struct Outcome {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    Outcome execute(const std::string &program, const std::vector<std::string> &args)
    {
        std::string command = quote(program);
        for (const auto &a : args)
            command += " " + quote(a);
        command +=
            " >" + quote((m_dir / "stdout").string()) + " 2>" + quote((m_dir / "stderr").string()) + " </dev/null";
        int status = std::system(command.c_str());
        Outcome o;
        o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.out = readFile(m_dir / "stdout");
        o.err = readFile(m_dir / "stderr");
        return o;
    }
    Outcome compile(const fs::path &source, const fs::path &output)
    {
        return execute(VEDAMIS_COMPILE_EXE, {source.string(), "-o", output.string()});
    }
    fs::path writeSource(const std::string &name, const std::string &text)
    {
        fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Files in the directory whose name starts with stem (an output or a leftover temporary).
    int filesStartingWith(const std::string &stem)
    {
        int count = 0;
        for (const auto &entry : fs::directory_iterator(m_dir))
            if (entry.path().filename().string().rfind(stem, 0) == 0)
                ++count;
        return count;
    }

    fs::path m_dir;
};

TEST_F(Programs, EveryDemoSourceCompiles)
{
    int compiled = 0;
    for (const auto &entry : fs::directory_iterator(fs::path(KITBOX_SOURCE_DIR) / "examples" / "ecu")) {
        if (entry.path().extension() != ".vds")
            continue;
        std::string stem = entry.path().stem().string();
        std::string name;
        for (char c : stem)
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        bool group = readFile(entry.path()).find("\ngroup {") != std::string::npos;
        fs::path output = m_dir / (name + (group ? ".grp" : ".prg"));
        auto o = compile(entry.path(), output);
        EXPECT_EQ(o.exitCode, 0) << entry.path() << "\n" << o.err;
        auto description = prg::readDescriptionFile(output.string());
        ASSERT_TRUE(description.ok()) << output << ": " << description.error();
        EXPECT_EQ(description.value().isGroup, group) << output;
        EXPECT_NE(description.value().infoBlock.find("ECU:" + name + "\n"), std::string::npos) << output;
        ++compiled;
    }
    EXPECT_EQ(compiled, 6);
}

TEST_F(Programs, SyntaxErrorNamesTheLineAndLeavesNoOutput)
{
    auto source = writeSource("broken.vds",
                              "ecu { name = \"BROKEN\" }\n"
                              "\n"
                              "job \"A\" {\n"
                              "  run = function()\n"
                              "    result(\"X\", \"int\", 1\n" // line 5: missing ")"
                              "  end,\n"
                              "}\n");
    auto o = compile(source, m_dir / "BROKEN.prg");
    EXPECT_NE(o.exitCode, 0);
    EXPECT_NE(o.err.find("broken.vds:"), std::string::npos) << o.err;
    // Lua reports where it noticed the missing parenthesis: line 5 or the "end" on line 6.
    EXPECT_TRUE(o.err.find(":5:") != std::string::npos || o.err.find(":6:") != std::string::npos) << o.err;
    EXPECT_EQ(filesStartingWith("BROKEN"), 0);
}

TEST_F(Programs, DuplicateJobNameNamesTheLineAndLeavesNoOutput)
{
    auto source = writeSource("twice.vds",
                              "ecu { name = \"TWICE\" }\n"
                              "job \"STATUS\" {\n"
                              "  run = function() result(\"A\", \"int\", 1) end,\n"
                              "}\n"
                              "\n"
                              "job \"status\" {\n" // line 6: same name, other case
                              "  run = function() result(\"B\", \"int\", 2) end,\n"
                              "}\n");
    // An older output of the same name must survive the failed compile untouched.
    fs::path output = m_dir / "TWICE.prg";
    std::ofstream(output, std::ios::binary) << "previous";
    auto o = compile(source, output);
    EXPECT_NE(o.exitCode, 0);
    EXPECT_NE(o.err.find("twice.vds:6:"), std::string::npos) << o.err;
    EXPECT_EQ(readFile(output), "previous");
    EXPECT_EQ(filesStartingWith("TWICE"), 1);
}

TEST_F(Programs, JobToolRunsADemoJobAndReportsFailures)
{
    const std::string data = KITBOX_DATA_DIR;
    const std::vector<std::string> config = {"--config", "EcuPath=" + data + "/ecu",
                                             "--config", "SimulationPath=" + data + "/sim",
                                             "--config", "Simulation=1"};
    auto args = config;
    args.insert(args.end(), {"D_MOTOR", "STATUS_MOTOR"});
    auto ok = execute(VEDAMIS_JOB_EXE, args);
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_NE(ok.out.find("set 0\n  "), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("  STAT_DREHZAHL_WERT (real, 8) = 850.5"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("  STAT_MOTOR_ZUSTAND_TEXT (text, 6) = Motor läuft\n"), std::string::npos) << ok.out;

    args = config;
    args.insert(args.end(), {"D_MOTOR", "FEHLER_JOB"});
    auto failing = execute(VEDAMIS_JOB_EXE, args);
    EXPECT_EQ(failing.exitCode, 1);
    EXPECT_NE(failing.err.find("error 1034 : "), std::string::npos) << failing.err;

    auto usage = execute(VEDAMIS_JOB_EXE, {"D_MOTOR"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("usage: vedamis-job"), std::string::npos) << usage.err;

    auto help = execute(VEDAMIS_JOB_EXE, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--config Name=Value"), std::string::npos) << help.out;
}

} // namespace
