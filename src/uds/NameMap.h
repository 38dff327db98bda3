#pragma once
// A map from names to small values for the UDS check's lookups by table
// name and by ARG: thousands of short keys, looked up once or a few times
// each. Open addressing over one flat array keeps a lookup to one hash of
// the characters and, mostly, one comparison, where a general hash of
// strings costs a node hop and a general string comparison per lookup.
//
// Keys are views: the caller keeps the characters alive and unchanged for
// as long as the map is used. The hash is seeded per process, so a
// description cannot be authored to make every name collide.
#include <QHashSeed>
#include <QList>
#include <QStringView>

#include <cstring>
#include <utility>

namespace kitbox {

template <typename T> class NameMap {
public:
    void reserve(qsizetype count)
    {
        m_entries.reserve(count);
        if (2 * count > m_slots.size())
            rehash(capacityFor(count));
    }

    // The value of key, or nullptr when key is not in the map.
    const T *find(QStringView key) const
    {
        if (m_slots.isEmpty())
            return nullptr;
        const quint32 h = hash(key);
        for (qsizetype at = h & (m_slots.size() - 1);; at = (at + 1) & (m_slots.size() - 1)) {
            const Slot &slot = m_slots.at(at);
            if (slot.entry < 0)
                return nullptr;
            if (slot.hash == h && same(m_entries.at(slot.entry).first, key))
                return &m_entries.at(slot.entry).second;
        }
    }

    // The value of key, a value-initialised one inserted when key is new.
    T &operator[](QStringView key)
    {
        if (2 * (m_entries.size() + 1) > m_slots.size())
            rehash(capacityFor(m_entries.size() + 1));
        const quint32 h = hash(key);
        for (qsizetype at = h & (m_slots.size() - 1);; at = (at + 1) & (m_slots.size() - 1)) {
            Slot &slot = m_slots[at];
            if (slot.entry < 0) {
                slot = {h, qint32(m_entries.size())};
                m_entries.append({key, T()});
                return m_entries.last().second;
            }
            if (slot.hash == h && same(m_entries.at(slot.entry).first, key))
                return m_entries[slot.entry].second;
        }
    }

    qsizetype size() const { return m_entries.size(); }

private:
    struct Slot {
        quint32 hash = 0;
        qint32 entry = -1; // index into m_entries; -1 for a free slot
    };

    static qsizetype capacityFor(qsizetype count)
    {
        qsizetype capacity = 16;
        while (capacity < 2 * count)
            capacity *= 2;
        return capacity;
    }

    void rehash(qsizetype capacity)
    {
        m_slots = QList<Slot>(capacity);
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            const quint32 h = hash(m_entries.at(i).first);
            qsizetype at = h & (capacity - 1);
            while (m_slots.at(at).entry >= 0)
                at = (at + 1) & (capacity - 1);
            m_slots[at] = {h, qint32(i)};
        }
    }

    static bool same(QStringView a, QStringView b)
    {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), size_t(a.size()) * sizeof(QChar)) == 0;
    }

    // Four characters at a time, each step a multiply and a fold.
    static quint32 hash(QStringView key)
    {
        constexpr quint64 kMultiplier = 0xff51afd7ed558ccdULL;
        quint64 h = (quint64(QHashSeed::globalSeed()) | 1) ^ (quint64(key.size()) * 0x9E3779B97F4A7C15ULL);
        const char *p = reinterpret_cast<const char *>(key.data());
        qsizetype bytes = key.size() * qsizetype(sizeof(QChar));
        for (; bytes >= 8; bytes -= 8, p += 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            h = (h ^ word) * kMultiplier;
            h ^= h >> 32;
        }
        if (bytes > 0) {
            quint64 word = 0;
            std::memcpy(&word, p, size_t(bytes));
            h = (h ^ word) * kMultiplier;
            h ^= h >> 32;
        }
        h *= kMultiplier;
        return quint32(h ^ (h >> 29));
    }

    QList<Slot> m_slots;
    QList<std::pair<QStringView, T>> m_entries;
};

} // namespace kitbox
