#pragma once

#include <QList>
#include <QString>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

// Byte strings with dense ids, given in the order they were first added: a
// profile names the same few functions and files millions of times. The
// bytes lie back to back in one buffer, found again through an
// open-addressed index of small slots, and are decoded from UTF-8 only when
// their text is asked for.
class NameTable
{
public:
    // The id of `bytes`, adding them if new; std::length_error when ids run out.
    quint32 intern(std::string_view bytes);
    quint32 size() const { return quint32(m_ends.size()); }
    std::string_view bytes(quint32 id) const
    {
        const quint64 begin = id == 0 ? 0 : m_ends[id - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[id] - begin);
    }
    // The text of `id`, decoded on the first request and kept; asked from
    // one thread at a time (invalid UTF-8 shows as U+FFFD).
    const QString &text(quint32 id) const;
    // Memory the table holds, in bytes.
    qint64 memoryUse() const;

private:
    struct Slot
    {
        quint32 idPlusOne = 0; // 0: free
        quint32 hash = 0; // the low bits of the hash, which place the slot
    };

    static quint64 hashOf(std::string_view bytes);
    static bool equal(std::string_view left, std::string_view right);
    void grow();

    std::string m_bytes;
    QList<quint64> m_ends;
    std::vector<Slot> m_index;
    size_t m_mask = 0;
    // A deque, so that texts already handed out stay where they are.
    mutable std::deque<QString> m_texts;
};
