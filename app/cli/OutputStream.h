#pragma once

#include <QString>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

// Output written as it is made, in large pieces, that remembers the first
// write error: a report can be longer than memory would like to hold.
class OutputStream
{
public:
    explicit OutputStream(std::FILE *stream);
    ~OutputStream();
    OutputStream(const OutputStream &) = delete;
    OutputStream &operator=(const OutputStream &) = delete;

    // Reports write millions of short pieces: the common case is inline.
    OutputStream &operator<<(std::string_view text)
    {
        if (qsizetype(text.size()) > capacity - m_size)
            return writeLong(text);
        // An empty view may have no data at all.
        if (!text.empty())
            std::memcpy(m_buffer.get() + m_size, text.data(), text.size());
        m_size += qsizetype(text.size());
        return *this;
    }
    OutputStream &operator<<(const char *text) { return *this << std::string_view(text); }
    OutputStream &operator<<(const QString &text);
    OutputStream &operator<<(char c)
    {
        if (m_size == capacity)
            flush();
        m_buffer[size_t(m_size++)] = c;
        return *this;
    }
    OutputStream &operator<<(quint64 number) { return writeNumber(number); }
    OutputStream &operator<<(qint64 number) { return writeNumber(number); }
    // `count` blanks.
    OutputStream &pad(qsizetype count);

    // Writes out what is held; false when a write failed, with error().
    bool finish();
    bool hasFailed() const { return m_error != 0; }
    int error() const { return m_error; }

private:
    static constexpr qsizetype capacity = qsizetype(1) << 16;
    // Room for any 64-bit number.
    static constexpr qsizetype numberSize = 24;

    template <typename Number> OutputStream &writeNumber(Number number)
    {
        if (capacity - m_size < numberSize)
            flush();
        char *at = m_buffer.get() + m_size;
        m_size += qsizetype(std::to_chars(at, at + numberSize, number).ptr - at);
        return *this;
    }
    OutputStream &writeLong(std::string_view text);
    void flush();

    std::FILE *m_stream;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    int m_error = 0;
};
