#pragma once
// The logic of vedamis-job: command line, hex data, running one job through
// the engine's C API and printing its result sets. Kept out of main() so the
// tests run it in-process.
#include <kitbox/Result.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vedamisjob {

struct Options {
    std::string description;
    std::string job;
    std::string arguments;
    std::string resultFilter;
    std::optional<std::vector<unsigned char>> data;          // set by --data: run with a data argument
    std::vector<std::pair<std::string, std::string>> config; // --config Name=Value, in order
    bool help = false;
};

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitJobError = 1; // the engine reported an error
constexpr int kExitUsage = 2;    // bad command line

// Parses the arguments after the program name.
kitbox::Result<Options> parseArguments(const std::vector<std::string> &args);
// "01 02 A0", "0102a0", "01,02": pairs of hex digits; blanks, commas and a
// leading "0x" per byte are allowed between them.
kitbox::Result<std::vector<unsigned char>> parseHex(std::string_view text);
std::string usageText();
// "char", "byte", ... for type codes 0..8, "unknown" otherwise.
std::string typeName(int16_t code);
// Upper-case hex pairs separated by blanks, 32 bytes per line; each line
// starts with indent.
std::string hexLines(const unsigned char *bytes, size_t count, const std::string &indent);

struct EngineError {
    int16_t code = 0; // 0: none
    std::string text;
};

// Reads every set and result of the job that last ran in the session and
// writes them to out. Returns the job's error, or the first error of a
// result read (an error 136 that the extended binary read then satisfied
// does not count); code 0 when everything succeeded.
EngineError printResults(int32_t handle, std::ostream &out);

// The whole tool: session, configuration, job, output. Returns the exit code.
int run(const Options &options, std::ostream &out, std::ostream &err);

} // namespace vedamisjob
