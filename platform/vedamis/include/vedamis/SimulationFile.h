#pragma once
// Parser and matcher for simulation files (docs/simulation-format.md).
#include <vedamis/Value.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

struct SimResponse {
    bool none = false; // no answer: the job sees a time-out
    int delayMs = 0;   // wait before the answer (or before giving up for NONE)
    std::string bytes;
};

struct SimEntry {
    std::vector<int> pattern; // request bytes; -1 matches any one byte
    bool openEnd = false;     // trailing '*': any number of further bytes
    std::vector<SimResponse> responses;
    int line = 0;
};

class VEDAMIS_CXX_EXPORT SimulationFile {
public:
    // Errors: false, with "fileName:line: reason" in error.
    bool parse(std::string_view text, const std::string &fileName, std::string &error);

    const std::vector<SimEntry> &entries() const { return m_entries; }

    // The first entry matching the request, or -1.
    int match(std::string_view request) const;
    // The response for the request: the next in the matching entry's cycle
    // (the cycle advances). False when no entry matches. entryLine gets the
    // entry's line for traces.
    bool answer(std::string_view request, SimResponse &response, int &entryLine);
    // The same without a copy: the response lives as long as this file is
    // not parsed again; nullptr when no entry matches.
    const SimResponse *answer(std::string_view request, int &entryLine);

private:
    std::vector<SimEntry> m_entries;
    std::vector<size_t> m_next; // cycle position per entry
};

} // namespace vedamis
