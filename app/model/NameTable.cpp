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

bool NameTable::equal(std::string_view left, std::string_view right)
{
    // Word by word, as the hash reads them, rather than a call per name.
    const size_t size = left.size();
    if (size != right.size())
        return false;
    if (size < 8)
        return left == right;
    for (size_t i = 0; i + 8 < size; i += 8) {
        if (load<quint64>(left.data() + i) != load<quint64>(right.data() + i))
            return false;
    }
    return load<quint64>(left.data() + size - 8) == load<quint64>(right.data() + size - 8);
}

quint32 NameTable::intern(std::string_view bytes)
{
    const quint32 hash = quint32(hashOf(bytes));
    if (!m_index.empty()) {
        for (size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot slot = m_index[i];
            if (slot.idPlusOne == 0)
                break;
            if (slot.hash == hash && equal(this->bytes(slot.idPlusOne - 1), bytes))
                return slot.idPlusOne - 1;
        }
    }
    // Ids stay below the largest 32-bit number, which callers keep for none.
    if (m_ends.size() >= qsizetype(0xfffffffe))
        throw std::length_error("too many names");
    if ((m_ends.size() + 1) * 2 > qsizetype(m_index.size()))
        grow();
    const quint32 id = size();
    m_bytes.append(bytes);
    m_ends.append(m_bytes.size());
    size_t i = hash & m_mask;
    while (m_index[i].idPlusOne != 0)
        i = (i + 1) & m_mask;
    m_index[i] = { id + 1, hash };
    return id;
}

void NameTable::grow()
{
    std::vector<Slot> old(std::max<size_t>(64, m_index.size() * 2));
    old.swap(m_index);
    m_mask = m_index.size() - 1;
    for (const Slot &slot : old) {
        if (slot.idPlusOne == 0)
            continue;
        size_t i = slot.hash & m_mask;
        while (m_index[i].idPlusOne != 0)
            i = (i + 1) & m_mask;
        m_index[i] = slot;
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
    return qint64(m_bytes.capacity() + size_t(m_ends.capacity()) * sizeof(quint64) + m_index.size() * sizeof(Slot));
}
