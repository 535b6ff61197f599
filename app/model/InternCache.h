#pragma once

#include <QtGlobal>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// A fast front for the profile's interning tables while one file is read:
// the same few thousand names come back millions of times, so the reader
// remembers what each exact byte string resolved to in an open-addressed
// table with a cheap hash.
template <typename T> class InternCache
{
public:
    // The object remembered for `key`, or none.
    T *find(std::string_view key, quint64 hash) const
    {
        if (m_entries.empty())
            return nullptr;
        for (size_t i = size_t(hash) & m_mask;; i = (i + 1) & m_mask) {
            const Entry &entry = m_entries[i];
            if (!entry.object)
                return nullptr;
            if (entry.hash == hash && entry.keyLength == key.size()
                && std::memcmp(m_keys.data() + entry.keyOffset, key.data(), key.size()) == 0)
                return entry.object;
        }
    }

    void insert(std::string_view key, quint64 hash, T *object)
    {
        if ((m_count + 1) * 2 > m_entries.size())
            grow();
        place(Entry { hash, object, m_keys.size(), key.size() });
        m_keys.append(key);
        ++m_count;
    }

    static quint64 hashOf(std::string_view key)
    {
        constexpr quint64 multiplier = 0x9e3779b97f4a7c15ull;
        quint64 hash = quint64(key.size()) * multiplier;
        size_t i = 0;
        for (; i + 8 <= key.size(); i += 8) {
            quint64 word;
            std::memcpy(&word, key.data() + i, 8);
            hash = mix(hash ^ word);
        }
        if (i < key.size()) {
            quint64 word = 0;
            std::memcpy(&word, key.data() + i, key.size() - i);
            hash = mix(hash ^ word);
        }
        return mix(hash);
    }

private:
    // Small, so that the table stays in the cache while the file streams by;
    // the keys themselves lie back to back in one string.
    struct Entry
    {
        quint64 hash = 0;
        T *object = nullptr;
        size_t keyOffset = 0;
        size_t keyLength = 0;
    };

    static quint64 mix(quint64 value)
    {
        value *= 0xbf58476d1ce4e5b9ull;
        return value ^ (value >> 31);
    }

    void place(const Entry &entry)
    {
        size_t i = size_t(entry.hash) & m_mask;
        while (m_entries[i].object)
            i = (i + 1) & m_mask;
        m_entries[i] = entry;
    }

    void grow()
    {
        std::vector<Entry> old(qMax<size_t>(64, m_entries.size() * 2));
        old.swap(m_entries);
        m_mask = m_entries.size() - 1;
        for (const Entry &entry : old) {
            if (entry.object)
                place(entry);
        }
    }

    std::vector<Entry> m_entries;
    std::string m_keys;
    size_t m_mask = 0;
    size_t m_count = 0;
};
