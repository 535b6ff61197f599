#pragma once

#include <QString>

#include <cstdio>
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

    OutputStream &operator<<(std::string_view text);
    OutputStream &operator<<(const char *text) { return *this << std::string_view(text); }
    OutputStream &operator<<(const QString &text);
    OutputStream &operator<<(char c) { return *this << std::string_view(&c, 1); }
    OutputStream &operator<<(quint64 number);
    OutputStream &operator<<(qint64 number);
    // `count` blanks.
    OutputStream &pad(qsizetype count);

    // Writes out what is held; false when a write failed, with error().
    bool finish();
    bool hasFailed() const { return m_error != 0; }
    int error() const { return m_error; }

private:
    static constexpr qsizetype capacity = qsizetype(1) << 16;

    void flush();

    std::FILE *m_stream;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    int m_error = 0;
};
