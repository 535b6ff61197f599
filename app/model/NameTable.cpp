#include "NameTable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

template <typename Word> Word load(const char *bytes)
{
    Word word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

quint64 mix(quint64 value)
{
    value *= 0xbf58476d1ce4e5b9ull;
    return value ^ (value >> 31);
}

} // namespace

quint64 NameTable::hashOf(std::string_view bytes)
{
    // Every byte counts, eight at a time, the last word overlapping the one
    // before: names are short, and this runs for every function and file
    // line of the profile.
    const char *data = bytes.data();
    const size_t size = bytes.size();
    quint64 hash = quint64(size) * 0x9e3779b97f4a7c15ull;
    if (size >= 8) {
        for (size_t i = 0; i + 8 < size; i += 8)
            hash = mix(hash ^ load<quint64>(data + i));
        hash = mix(hash ^ load<quint64>(data + size - 8));
    } else if (size >= 4) {
        hash = mix(hash ^ (load<quint32>(data) | quint64(load<quint32>(data + size - 4)) << 32));
    } else if (size > 0) {
        hash = mix(hash ^ (uchar(data[0]) | uint(uchar(data[size / 2])) << 8 | uint(uchar(data[size - 1])) << 16));
    }
    return mix(hash);
}

bool NameTable::equal(const char *left, const char *right, size_t size)
{
    // Word by word, as the hash reads them, rather than a call per name.
    if (size < 8)
        return std::memcmp(left, right, size) == 0;
    for (size_t i = 0; i + 8 < size; i += 8) {
        if (load<quint64>(left + i) != load<quint64>(right + i))
            return false;
    }
    return load<quint64>(left + size - 8) == load<quint64>(right + size - 8);
}

NameTable::NameTable(std::pmr::memory_resource *memory)
    : m_memory(memory)
    , m_arena(12, memory)
    , m_entries(10, memory)
{ }

std::string_view NameTable::bytesAt(quint32 entry) const
{
    const char *header = reinterpret_cast<const char *>(&m_arena[entry]);
    return std::string_view(header + headerSize, load<quint32>(header + 4));
}

quint32 NameTable::intern(std::string_view bytes, quint64 fullHash)
{
    Q_ASSERT(!m_indexReleased);
    const quint32 hash = quint32(fullHash != 0 ? fullHash : hashOf(bytes));
    if (!m_index.empty()) {
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot slot = m_index[i];
            if (slot.entry == 0)
                break;
            if (slot.hash != hash)
                continue;
            const char *header = reinterpret_cast<const char *>(&m_arena[slot.entry - 1]);
            if (load<quint32>(header + 4) == bytes.size() && equal(header + headerSize, bytes.data(), bytes.size()))
                return load<quint32>(header);
        }
    }
    // Ids stay below the largest 32-bit number, which callers keep for none,
    // and so do the places of entries, counted in words.
    const quint64 words = (headerSize + bytes.size() + word - 1) / word;
    // An entry lies in one chunk: one that does not fit in what is left of
    // the last chunk begins the next.
    quint64 entry = m_arenaSize;
    if (entry + words > m_arena.capacity())
        entry = m_arena.capacity();
    if (m_size >= 0xfffffffe || entry + words >= 0xfffffffe || bytes.size() > 0xffffffffu)
        throw std::length_error("too many names");
    if ((quint64(m_size) + 1) * 2 > m_index.size())
        grow();
    m_entries.reserve(quint64(m_size) + 1);
    if (entry + words > m_arena.capacity())
        m_arena.addChunk(std::max(words, m_arena.capacity()));
    const quint32 id = m_size;
    const quint32 header[] = { id, quint32(bytes.size()) };
    char *at = reinterpret_cast<char *>(&m_arena[entry]);
    std::memcpy(at, header, headerSize);
    std::memcpy(at + headerSize, bytes.data(), bytes.size());
    m_arenaSize = entry + words;
    m_entries[id] = quint32(entry);
    ++m_size;
    place({ hash, quint32(entry + 1) });
    return id;
}

void NameTable::place(Slot slot)
{
    size_t i = slot.hash & m_mask;
    while (m_index[i].entry != 0)
        i = (i + 1) & m_mask;
    m_index[i] = slot;
}

void NameTable::grow()
{
    // Once large, at least a huge page, as a table of that size is written
    // all over.
    size_t size = std::max<size_t>(64, m_index.size() * 2);
    if (size * sizeof(Slot) >= HugePageResource::hugePageSize / 8)
        size = std::max(size, HugePageResource::hugePageSize / sizeof(Slot));
    FixedArray<Slot> old(size, m_memory);
    std::swap(old, m_index);
    m_mask = m_index.size() - 1;
    for (const Slot &slot : old) {
        if (slot.entry != 0)
            place(slot);
    }
}

const QString &NameTable::text(quint32 id) const
{
    if (m_texts.size() < size_t(size()))
        m_texts.resize(size());
    QString &text = m_texts[id];
    if (text.isNull()) {
        const std::string_view name = bytes(id);
        text = QString::fromUtf8(name.data(), qsizetype(name.size()));
    }
    return text;
}

qint64 NameTable::memoryUse() const
{
    return m_arena.memoryUse() + m_entries.memoryUse() + m_index.memoryUse();
}

void NameTable::releaseIndex()
{
    m_index = FixedArray<Slot>();
    m_mask = 0;
    m_indexReleased = true;
}
