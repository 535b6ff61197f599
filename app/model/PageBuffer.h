#pragma once

#include <QtGlobal>

// A growable byte buffer in its own anonymous memory mapping, so that it can
// grow without copying and give the pages at its front back to the system
// once they have been read.
class PageBuffer
{
public:
    PageBuffer() = default;
    ~PageBuffer();
    PageBuffer(const PageBuffer &) = delete;
    PageBuffer &operator=(const PageBuffer &) = delete;
    PageBuffer(PageBuffer &&other) noexcept;
    PageBuffer &operator=(PageBuffer &&other) noexcept;

    // Makes room for at least `capacity` bytes; false when memory is short.
    bool reserve(qsizetype capacity);
    char *data() const { return m_data; }
    qsizetype size() const { return m_size; }
    qsizetype capacity() const { return m_capacity; }
    // The bytes after size() that are free to fill; grow() then counts them.
    char *end() const { return m_data + m_size; }
    void grow(qsizetype bytes) { m_size += bytes; }

    // Gives back the whole pages among the first `bytes`; they read as zero
    // bytes afterwards.
    void releaseFront(qsizetype bytes);

private:
    void unmap();

    char *m_data = nullptr;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
    qsizetype m_released = 0;
};
