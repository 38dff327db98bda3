#include "ResultStore.h"

#include "TextUtil.h"

#include <algorithm>

namespace vedamis {

namespace {
// Storage kept across jobs: enough entries for a usual job, and no large
// text or binary value of an earlier job.
constexpr size_t kKeptEntries = 256;
constexpr size_t kKeptValueBytes = 4096;
} // namespace

size_t ResultSet::indexOf(std::string_view name, uint32_t hash) const
{
    for (size_t i = 0; i < m_count; ++i) {
        const NamedValue &v = m_items[i];
        if (v.nameHash == hash && equalsIgnoreCase(v.name, name))
            return i;
    }
    return m_count;
}

const NamedValue *ResultSet::find(std::string_view name, uint32_t hash) const
{
    const size_t i = indexOf(name, hash);
    return i < m_count ? &m_items[i] : nullptr;
}

const NamedValue *ResultSet::find(std::string_view name) const
{
    size_t i = m_readNext < m_count ? m_readNext : 0;
    if (i >= m_count || m_items[i].name != name) {
        i = indexOf(name, foldedHash(name));
        if (i == m_count)
            return nullptr;
    }
    m_readNext = i + 1;
    return &m_items[i];
}

NamedValue *ResultSet::entry(std::string_view name, size_t limit)
{
    // A job giving its results like the job before finds each name, with its
    // hash, already in the next kept entry.
    const bool keptAlike = m_count < m_items.size() && m_items[m_count].name == name;
    if (keptAlike && m_count < m_distinct) {
        NamedValue &slot = m_items[m_count++];
        if (m_count > m_used)
            m_used = m_count;
        return &slot;
    }
    const uint32_t hash = keptAlike ? m_items[m_count].nameHash : foldedHash(name);
    if (const size_t i = indexOf(name, hash); i < m_count)
        return &m_items[i];
    if (m_count >= limit)
        return nullptr;
    if (m_count == m_items.size())
        m_items.emplace_back();
    NamedValue &slot = m_items[m_count++];
    if (m_count > m_used)
        m_used = m_count;
    if (!keptAlike) {
        slot.name.assign(name);
        slot.nameHash = hash;
    }
    // This name was looked for among the ones before it; the names after it
    // were not compared with it.
    m_distinct = m_count;
    return &slot;
}

void ResultSet::reset()
{
    for (size_t i = 0; i < m_used; ++i) {
        std::string &bytes = m_items[i].value.bytes;
        if (bytes.capacity() > kKeptValueBytes)
            std::string().swap(bytes);
    }
    if (m_items.size() > kKeptEntries)
        m_items.resize(kKeptEntries);
    m_distinct = std::min(m_distinct, m_items.size());
    m_count = 0;
    m_used = 0;
    m_readNext = 0;
}

void ResultStore::clear()
{
    m_system.reset();
    // Most jobs fill one set: its storage is kept for the next job.
    if (!m_sets.empty()) {
        m_spare = std::move(m_sets.front());
        m_spare.reset();
    }
    m_sets.clear();
    m_openSetEmpty = true;
}

NamedValue *ResultStore::add(std::string_view name, std::string &reason)
{
    if (m_sets.empty()) {
        m_sets.push_back(std::move(m_spare));
        m_spare = ResultSet(); // no counts left behind in the moved-from set
    }
    NamedValue *entry = m_sets.back().entry(name, kMaxResultsPerSet);
    if (!entry) {
        reason = "more than 32767 results in one set";
        return nullptr;
    }
    m_openSetEmpty = false;
    return entry;
}

bool ResultStore::add(std::string_view name, Value value, std::string &reason)
{
    NamedValue *entry = add(name, reason);
    if (!entry)
        return false;
    entry->value = std::move(value);
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

void ResultStore::addSystemText(std::string_view name, std::string_view text)
{
    Value &value = m_system.entry(name, kMaxResultsPerSet)->value;
    value.type = ValueType::Text;
    value.integer = 0;
    value.real = 0.0;
    value.bytes.assign(text);
}

void ResultStore::addSystemInteger(std::string_view name, ValueType type, int64_t number)
{
    Value &value = m_system.entry(name, kMaxResultsPerSet)->value;
    value.type = type;
    value.integer = number;
    value.real = 0.0;
    value.bytes.clear();
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
    for (ResultSet &set : m_sets) {
        set.retain([&](const NamedValue &v) {
            for (std::string_view name : names) {
                if (equalsIgnoreCase(name, v.name))
                    return true;
            }
            return false;
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

const ResultSet &ResultStore::set(size_t set) const
{
    return set == 0 ? m_system : m_sets[set - 1];
}

const NamedValue *ResultStore::find(size_t set, std::string_view name) const
{
    if (!hasSet(set))
        return nullptr;
    return this->set(set).find(trim(name));
}

} // namespace vedamis
