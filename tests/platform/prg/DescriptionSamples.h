#pragma once
// Fixtures shared by the platform tests: a description that uses every
// corner of the format, a private temporary directory, file helpers and a
// forked child that cannot hang the suite.
#include <prg/Prg.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kitbox::testing {

inline prg::Description sampleDescription()
{
    prg::Description d;
    d.infoBlock = "ECU:D_SAMPLE\nORIGIN:Demo: with colon\nREVISION:1.0\nAUTHOR:tester\nUSES:D_BASIS\n"
                  "ECUCOMMENT:first\nECUCOMMENT:second\n"
                  "JOBNAME:STATUS_LESEN\nJOBCOMMENT:reads the status\nARG:ID\nARGTYPE:string\n"
                  "ARGCOMMENT:function id\nRESULT:STAT_WERT\nRESULTTYPE:real\nRESULTCOMMENT:value\n"
                  "RESULTCOMMENT:unit \xC2\xB0"
                  "C\n";
    d.tables.push_back(
        {"SG_FUNKTIONEN",
         3,
         2,
         {"ARG", "ID", "RESULTNAME", "DREHZAHL", "0xF40C", "STAT_DREHZAHL_WERT", "TEMP", "0x0005", "STAT_TEMP_WERT"}});
    // Cells with separators, quotes, non-ASCII text and empty cells.
    d.tables.push_back({"TEXTE", 2, 3, {"NR", "TEXT", "1", "a;b;c", "2", "\"quoted\" 'single'", "3", ""}});
    d.tables.push_back({"HEADER_ONLY", 4, 0, {"A", "B", "C", ""}});
    d.tables.push_back({std::string(63, 'N'), 1, 1, {"X", "\xE2\x82\xAC uro"}});
    d.script = "ecu { name = \"D_SAMPLE\" }\njob \"STATUS_LESEN\" { run = function() end }\n";
    return d;
}

// A fresh directory below the system's temporary directory, removed afterwards.
struct TempDir {
    std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kitbox-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "cannot create a temporary directory";
        return pattern;
    }();
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string &name) const { return (path / name).string(); }
};

// The value of a result that must have succeeded; a failure ends the test with the result's message.
template <typename T> T take(kitbox::Result<T> result)
{
    if (!result.ok())
        throw std::runtime_error(result.error());
    return std::move(result).value();
}

inline std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Patches a little-endian 32-bit field of a container.
inline void put32(std::string &bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Test fixtures only: damaged files are written directly.
inline void writeRaw(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A file below tests/data/platform of the source tree.
inline std::string dataText(const std::string &relative)
{
    const std::string path = std::string(KITBOX_SOURCE_DIR) + "/tests/data/platform/" + relative;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    return readAll(path);
}

// Whether `body`, run in a forked child, returned true; a child still running
// after 30 seconds is killed and counts as false.
inline bool trueInForkedChild(const std::function<bool()> &body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body() ? 0 : 1);
    int status = 0;
    for (int waited = 0; child > 0 && ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
        if (waited == 3000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace kitbox::testing
