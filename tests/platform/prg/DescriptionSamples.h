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
#include <stdexcept>
#include <string>
#include <vector>

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

// 5000 damaged copies of `original`: one to four changed bytes, half of them in
// the header and directory (up to `directoryEnd`) where a change is most likely
// to matter, now and then a truncation or extra bytes at the end. Always the same.
inline std::vector<std::string> corruptions(const std::string &original, size_t directoryEnd)
{
    std::mt19937 random(20261205);
    auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<std::string> copies(5000, original);
    for (std::string &bytes : copies) {
        for (int changes = pick(1, 4); changes > 0; --changes) {
            const size_t limit = pick(0, 1) == 0 ? directoryEnd : bytes.size();
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
    }
    return copies;
}

} // namespace kitbox::testing
