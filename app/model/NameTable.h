#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

// Byte strings with dense ids, given in the order they were first added: a
// profile names the same few functions and files millions of times. Each
// lies in one buffer with its id and length in front, where a slot of an
// open-addressed index leads, so that finding a name touches two places;
// texts are decoded from UTF-8 only when asked for.
class NameTable
{
public:
    // The id of `bytes`, adding them if new; std::length_error when ids run out.
    quint32 intern(std::string_view bytes) { return intern(bytes, hashOf(bytes)); }
    // The same with their hashOf, or 0 to have it worked out.
    quint32 intern(std::string_view bytes, quint64 hash);
    // Only the low 32 bits are used.
    static quint64 hashOf(std::string_view bytes);
    // Asks for the slot of `hash` to be brought near, for a lookup soon;
    // once it is, the name it leads to.
    void prefetchSlot(quint64 hash) const
    {
        if (!m_index.empty())
            prefetch(&m_index[quint32(hash) & m_mask]);
    }
    void prefetchName(quint64 hash) const
    {
        if (m_index.empty())
            return;
        const Slot slot = m_index[quint32(hash) & m_mask];
        if (slot.entry != 0 && slot.hash == quint32(hash))
            prefetch(m_arena.constData() + size_t(slot.entry - 1) * word);
    }
    quint32 size() const { return quint32(m_entries.size()); }
    std::string_view bytes(quint32 id) const { return bytesAt(size_t(m_entries[id]) * word); }
    // The text of `id`, decoded on the first request and kept; asked from
    // one thread at a time (invalid UTF-8 shows as U+FFFD).
    const QString &text(quint32 id) const;
    // Memory the table holds, in bytes.
    qint64 memoryUse() const;
    // Gives back the memory of the index once all names are in: no name can
    // be added afterwards.
    void releaseIndex();

private:
    // A name's entry: its id, its length, its bytes, padded to a word.
    static constexpr size_t word = 8;
    static constexpr size_t headerSize = 8;
    struct Slot
    {
        quint32 hash = 0; // the low bits of the hash, which place the slot
        quint32 entry = 0; // where the entry lies, in words, plus one; 0: free
    };

    static bool equal(const char *left, const char *right, size_t size);
    static void prefetch(const void *address)
    {
#if defined(__GNUC__)
        __builtin_prefetch(address);
#else
        Q_UNUSED(address);
#endif
    }
    std::string_view bytesAt(size_t entry) const;
    void place(Slot slot);
    void grow();

    // Grown in place where the system can (realloc), and never zeroed.
    QByteArray m_arena;
    // Where each id's entry lies, in words.
    QList<quint32> m_entries;
    std::vector<Slot> m_index;
    size_t m_mask = 0;
    bool m_indexReleased = false;
    // A deque, so that texts already handed out stay where they are.
    mutable std::deque<QString> m_texts;
};
