#pragma once
// The results of the last job: set 0 (system results) and the job's sets 1..N.
#include <vedamis/Value.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedamis {

struct NamedValue {
    std::string name;
    Value value;
    uint32_t nameHash = 0; // foldedHash(name)
};

class ResultStore {
public:
    static constexpr size_t kMaxSets = 32767;
    static constexpr size_t kMaxResultsPerSet = 32767;

    void clear();

    // Job side: the first result goes to set 1; newSet() starts the next set
    // unless the current one is still empty. A result with a name already in
    // the set replaces it. False with a reason when a limit is reached.
    bool add(std::string_view name, Value value, std::string &reason);
    bool newSet(std::string &reason);
    void addSystem(std::string name, Value value);
    // Keeps only the named results (names separated by ';' or ','; case ignored) in sets 1..N.
    void applyFilter(std::string_view filter);

    // Reader side.
    size_t jobSetCount() const; // N
    bool hasSet(size_t set) const { return set <= jobSetCount(); }
    const std::vector<NamedValue> &set(size_t set) const;
    const NamedValue *find(size_t set, std::string_view name) const;

private:
    std::vector<NamedValue> m_system;
    std::vector<std::vector<NamedValue>> m_sets; // m_sets[0] is set 1
    std::vector<NamedValue> m_spare;             // storage of set 1 kept from the last job
    bool m_openSetEmpty = true;
};

} // namespace vedamis
