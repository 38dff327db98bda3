#pragma once
// The results of the last job: set 0 (system results) and the job's sets 1..N.
#include <vedamis/Value.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vedamis {

struct NamedValue {
    std::string name;
    Value value;
    uint32_t nameHash = 0; // foldedHash(name)
};

// The results of one set, in the order they were first given. Entries past
// size() are kept from earlier jobs: a job that gives the same results as
// the one before writes into their storage instead of building new texts.
class ResultSet {
public:
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const NamedValue &operator[](size_t i) const { return m_items[i]; }
    const NamedValue *begin() const { return m_items.data(); }
    const NamedValue *end() const { return m_items.data() + m_count; }

    const NamedValue *find(std::string_view name, uint32_t hash) const;
    // The same for a reader, who mostly asks in the order the results were
    // given and spells them as given: the entry after the one found last is
    // tried first, by its exact spelling (names in a set differ even without
    // regard to case, so no other entry can match as well).
    const NamedValue *find(std::string_view name) const;
    // The result of that name (case ignored) to be overwritten, else a new
    // last one holding the name; nullptr when the set holds `limit` results.
    NamedValue *entry(std::string_view name, size_t limit);
    // Empties the set, keeping a bounded amount of storage.
    void reset();
    // Keeps the results for which keep() is true, in their order.
    template <typename Keep> void retain(Keep &&keep)
    {
        size_t kept = 0;
        for (size_t i = 0; i < m_count; ++i) {
            if (keep(m_items[i])) {
                if (kept != i)
                    std::swap(m_items[kept], m_items[i]);
                ++kept;
            }
        }
        m_count = kept;
        m_distinct = 0; // names moved: none known distinct any more
    }

private:
    size_t indexOf(std::string_view name, uint32_t hash) const; // size() when there is none
    std::vector<NamedValue> m_items;
    size_t m_count = 0;
    // The first m_distinct entries hold names that differ from each other
    // even without regard to case, whatever job wrote them: a job that
    // repeats the names of the job before in their order takes each next
    // entry without looking for its name among the earlier ones.
    size_t m_distinct = 0;
    size_t m_used = 0;             // entries written since the last reset (retain() may hide some)
    mutable size_t m_readNext = 0; // readers hold the session's lock
};

class ResultStore {
public:
    static constexpr size_t kMaxSets = 32767;
    static constexpr size_t kMaxResultsPerSet = 32767;

    void clear();

    // Job side: the first result goes to set 1; newSet() starts the next set
    // unless the current one is still empty. A result with a name already in
    // the set replaces it. nullptr with a reason when a limit is reached;
    // else the entry, holding the name, whose value the caller sets.
    NamedValue *add(std::string_view name, std::string &reason);
    bool add(std::string_view name, Value value, std::string &reason);
    bool newSet(std::string &reason);
    // Set 0, written in place.
    void addSystemText(std::string_view name, std::string_view text);
    void addSystemInteger(std::string_view name, ValueType type, int64_t number);
    // Keeps only the named results (names separated by ';' or ','; case ignored) in sets 1..N.
    void applyFilter(std::string_view filter);

    // Reader side.
    size_t jobSetCount() const; // N
    bool hasSet(size_t set) const { return set <= jobSetCount(); }
    const ResultSet &set(size_t set) const;
    const NamedValue *find(size_t set, std::string_view name) const;

private:
    ResultSet m_system;
    std::vector<ResultSet> m_sets; // m_sets[0] is set 1
    ResultSet m_spare;             // set 1 of the last job, kept for its storage
    bool m_openSetEmpty = true;
};

} // namespace vedamis
