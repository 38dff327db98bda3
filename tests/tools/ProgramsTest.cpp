// The two command-line programs as a user runs them: the compiler on every
// demo source (broken sources: tests/platform/script), and vedamis-job on the
// demo data.
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

class Programs : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("kitbox-tools-" + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directory(m_dir));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    struct Outcome {
        int exitCode = -1;
        std::string out, err;
    };
    Outcome execute(const std::string &program, const std::vector<std::string> &args)
    {
        auto quote = [](const std::string &text) {
            std::string out = "'";
            for (char c : text)
                out += c == '\'' ? std::string("'\\''") : std::string(1, c);
            return out + "'";
        };
        std::string command = quote(program);
        for (const auto &a : args)
            command += " " + quote(a);
        command +=
            " >" + quote((m_dir / "stdout").string()) + " 2>" + quote((m_dir / "stderr").string()) + " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(m_dir / "stdout"), readFile(m_dir / "stderr")};
    }
    Outcome compile(const fs::path &source, const fs::path &output)
    {
        return execute(VEDAMIS_COMPILE_EXE, {source.string(), "-o", output.string()});
    }

    fs::path m_dir;
};

TEST_F(Programs, EveryDemoSourceCompiles)
{
    int compiled = 0;
    for (const auto &entry : fs::directory_iterator(fs::path(KITBOX_SOURCE_DIR) / "examples" / "ecu")) {
        if (entry.path().extension() != ".vds")
            continue;
        std::string name = entry.path().stem().string();
        for (char &c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool group = readFile(entry.path()).find("\ngroup {") != std::string::npos;
        const fs::path output = m_dir / (name + (group ? ".grp" : ".prg"));
        const auto o = compile(entry.path(), output);
        EXPECT_EQ(o.exitCode, 0) << entry.path() << "\n" << o.err;
        auto description = prg::readDescriptionFile(output.string());
        ASSERT_TRUE(description.ok()) << output << ": " << description.error();
        EXPECT_EQ(description.value().isGroup, group) << output;
        EXPECT_NE(description.value().infoBlock.find("ECU:" + name + "\n"), std::string::npos) << output;
        ++compiled;
    }
    EXPECT_EQ(compiled, 6);
}

// The printed reports themselves are JobToolTest's; here the program's exit
// codes and where its text goes.
TEST_F(Programs, JobToolRunsADemoJobAndReportsFailures)
{
    const std::string data = KITBOX_DATA_DIR;
    auto withConfig = [&](const char *job) {
        return std::vector<std::string>{"--config", "EcuPath=" + data + "/ecu",
                                        "--config", "SimulationPath=" + data + "/sim",
                                        "--config", "Simulation=1",
                                        "D_MOTOR",  job};
    };
    const auto ok = execute(VEDAMIS_JOB_EXE, withConfig("STATUS_MOTOR"));
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    EXPECT_NE(ok.out.find("  STAT_MOTOR_ZUSTAND_TEXT (text, 6) = Motor läuft\n"), std::string::npos) << ok.out;

    const auto failing = execute(VEDAMIS_JOB_EXE, withConfig("FEHLER_JOB"));
    EXPECT_EQ(failing.exitCode, 1);
    EXPECT_NE(failing.err.find("error 1034 : "), std::string::npos) << failing.err;

    const auto usage = execute(VEDAMIS_JOB_EXE, {"D_MOTOR"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("usage: vedamis-job"), std::string::npos) << usage.err;
}

} // namespace
