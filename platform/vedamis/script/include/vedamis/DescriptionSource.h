#pragma once
// Evaluates description source text (docs/description-source.md) into a
// model: ECU data, tables, jobs with their documentation. The job functions
// stay in the sandbox's Lua state (registry table kJobRegistryKey, keyed by
// upper-cased job name; the group's identify function under kIdentifyKey).
#include <kitbox/Result.h>
#include <prg/Prg.h>

#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

class LuaSandbox;

inline constexpr const char *kJobRegistryKey = "vedamis.jobs";
inline constexpr const char *kIdentifyKey = "vedamis.identify";

struct ParamSpec {
    std::string name;
    std::string type;
    std::vector<std::string> comment;
};

struct JobSpec {
    std::string name;
    std::vector<std::string> comment;
    std::vector<ParamSpec> args;
    std::vector<ParamSpec> results;
    int line = 0; // line of the declaration in the source
};

struct EcuSpec {
    std::string name;
    std::string origin, revision, author, package, from, bipVersion;
    std::string doipAddress; // logical address of the ECU on a DoIP link, empty when not named
    std::vector<std::string> comment;
    std::vector<std::string> uses;
};

struct SourceModel {
    EcuSpec ecu;
    std::vector<prg::Table> tables;
    std::vector<JobSpec> jobs;
    bool isGroup = false;
    std::vector<std::string> variants; // group files only
    int ecuLine = 0;                   // line of the ecu declaration
    int groupLine = 0;                 // line of the group declaration, 0 without one
};

// Errors read "fileName:line: reason".
kitbox::Result<SourceModel> evaluateSource(LuaSandbox &sandbox, std::string_view source, const std::string &fileName);

// The info block lines (ECU:, ORIGIN:, ... JOBNAME:, ...) in the order the locator's readers expect.
std::string buildInfoBlock(const SourceModel &model);

// Everything the compiler writes: info block, tables, the source as script.
prg::Description toDescription(const SourceModel &model, std::string_view source);

} // namespace vedamis
