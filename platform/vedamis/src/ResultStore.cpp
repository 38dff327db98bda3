#include "ResultStore.h"

#include "TextUtil.h"

namespace vedamis {

void ResultStore::clear()
{
    m_system.clear();
    // Most jobs fill one set: its storage is kept for the next job.
    if (!m_sets.empty()) {
        m_spare = std::move(m_sets.front());
        m_spare.clear();
    }
    m_sets.clear();
    m_openSetEmpty = true;
}

bool ResultStore::add(std::string_view name, Value value, std::string &reason)
{
    if (m_sets.empty())
        m_sets.push_back(std::move(m_spare));
    std::vector<NamedValue> &current = m_sets.back();
    const uint32_t hash = foldedHash(name);
    for (NamedValue &existing : current) {
        if (existing.nameHash == hash && equalsIgnoreCase(existing.name, name)) {
            existing.value = std::move(value);
            return true;
        }
    }
    if (current.size() >= kMaxResultsPerSet) {
        reason = "more than 32767 results in one set";
        return false;
    }
    current.push_back({std::string(name), std::move(value), hash});
    m_openSetEmpty = false;
    return true;
}

bool ResultStore::newSet(std::string &reason)
{
    if (m_openSetEmpty)
        return true;
    if (m_sets.size() >= kMaxSets) {
        reason = "more than 32767 result sets";
        return false;
    }
    m_sets.emplace_back();
    m_openSetEmpty = true;
    return true;
}

void ResultStore::addSystem(std::string name, Value value)
{
    const uint32_t hash = foldedHash(name);
    for (NamedValue &existing : m_system) {
        if (existing.nameHash == hash && equalsIgnoreCase(existing.name, name)) {
            existing.value = std::move(value);
            return;
        }
    }
    m_system.push_back({std::move(name), std::move(value), hash});
}

void ResultStore::applyFilter(std::string_view filter)
{
    if (trim(filter).empty())
        return; // the usual case: every result is kept
    std::vector<std::string_view> names;
    for (std::string_view part : split(filter, ';')) {
        for (std::string_view name : split(part, ',')) {
            if (!trim(name).empty())
                names.push_back(trim(name));
        }
    }
    if (names.empty())
        return;
    for (auto &set : m_sets) {
        std::erase_if(set, [&](const NamedValue &v) {
            for (std::string_view name : names) {
                if (equalsIgnoreCase(name, v.name))
                    return false;
            }
            return true;
        });
    }
}

size_t ResultStore::jobSetCount() const
{
    // An empty set left open at the end of the job does not count.
    if (!m_sets.empty() && m_openSetEmpty)
        return m_sets.size() - 1;
    return m_sets.size();
}

const std::vector<NamedValue> &ResultStore::set(size_t set) const
{
    return set == 0 ? m_system : m_sets[set - 1];
}

const NamedValue *ResultStore::find(size_t set, std::string_view name) const
{
    if (!hasSet(set))
        return nullptr;
    const std::string_view wanted = trim(name);
    const uint32_t hash = foldedHash(wanted);
    for (const NamedValue &v : this->set(set)) {
        if (v.nameHash == hash && equalsIgnoreCase(v.name, wanted))
            return &v;
    }
    return nullptr;
}

} // namespace vedamis
