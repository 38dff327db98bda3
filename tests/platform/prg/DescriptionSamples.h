#pragma once
// Fixtures shared by the container and locator tests: a description that uses
// every corner of the format, a private temporary directory, and a
// deterministic generator of damaged copies of a file.
#include <prg/Prg.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

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
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kitbox-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "cannot create a temporary directory";
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(const std::string &name) const { return (m_path / name).string(); }
    const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Test fixtures only: damaged files are written directly.
inline void writeRaw(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Damaged copies of `original`: one to four changed bytes, half of them in the
// header and directory where a change is most likely to matter, now and then a
// truncation or extra bytes at the end. The same seed gives the same sequence.
class Corrupter {
public:
    Corrupter(std::string original, size_t directoryEnd, uint32_t seed)
        : m_original(std::move(original)), m_directoryEnd(directoryEnd), m_random(seed)
    {
    }
    std::string next()
    {
        std::string bytes = m_original;
        const int changes = pick(1, 4);
        for (int i = 0; i < changes; ++i) {
            const size_t limit = pick(0, 1) == 0 ? m_directoryEnd : bytes.size();
            const size_t at = static_cast<size_t>(pick(0, static_cast<int>(limit) - 1));
            // A random byte, one bit flipped, all bits set, or one more.
            const int kind = pick(0, 3), old = static_cast<unsigned char>(bytes[at]);
            bytes[at] = static_cast<char>(kind == 0   ? pick(0, 255)
                                          : kind == 1 ? old ^ (1 << pick(0, 7))
                                          : kind == 2 ? 0xFF
                                                      : old + 1);
        }
        const int tail = pick(0, 19);
        if (tail == 0)
            bytes.resize(static_cast<size_t>(pick(0, static_cast<int>(bytes.size()))));
        else if (tail == 1)
            bytes.append(static_cast<size_t>(pick(1, 100)), '\x6B');
        return bytes;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    std::string m_original;
    size_t m_directoryEnd;
    std::mt19937 m_random;
};

constexpr int kCorruptionCount = 5000;
constexpr uint32_t kCorruptionSeed = 20261205;

} // namespace kitbox::testing
