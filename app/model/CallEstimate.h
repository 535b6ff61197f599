#pragma once

#include <QtGlobal>

// How much room the call tree makes as a profile is read: first for the
// calls a file of its size usually holds, then, when that proves short, for
// the calls the rest of the file holds if it is like the part read so far.
class CallEstimate
{
public:
    // The input is `size` bytes, gzip-compressed or not.
    void setInput(qint64 size, bool compressed);
    // The calls the next chunk of the tree should hold, once the `capacity`
    // calls it has room for were read from the input's first `position`
    // bytes: at least one, and at most `most`.
    quint64 nextChunk(quint64 capacity, qint64 position, quint64 most) const;

private:
    qint64 m_size = 0;
    bool m_compressed = false;
};
