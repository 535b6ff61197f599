#include "OutputStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

OutputStream::OutputStream(std::FILE *stream)
    : m_stream(stream)
    , m_buffer(std::make_unique_for_overwrite<char[]>(size_t(capacity)))
{ }

OutputStream::~OutputStream() = default;

OutputStream &OutputStream::writeLong(std::string_view text)
{
    while (!text.empty()) {
        if (m_size == capacity)
            flush();
        const size_t count = std::min(text.size(), size_t(capacity - m_size));
        std::memcpy(m_buffer.get() + m_size, text.data(), count);
        m_size += qsizetype(count);
        text.remove_prefix(count);
    }
    return *this;
}

OutputStream &OutputStream::operator<<(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return *this << std::string_view(bytes.constData(), size_t(bytes.size()));
}

OutputStream &OutputStream::pad(qsizetype count)
{
    static constexpr std::string_view blanks = "                                ";
    for (; count > 0; count -= qsizetype(blanks.size()))
        *this << blanks.substr(0, size_t(std::min(count, qsizetype(blanks.size()))));
    return *this;
}

void OutputStream::flush()
{
    // After a failure the rest is dropped: the report is lost anyway.
    errno = 0;
    if (m_error == 0 && m_size > 0 && std::fwrite(m_buffer.get(), 1, size_t(m_size), m_stream) != size_t(m_size))
        m_error = errno != 0 ? errno : EIO;
    m_size = 0;
}

bool OutputStream::finish()
{
    flush();
    errno = 0;
    if (m_error == 0 && std::fflush(m_stream) != 0)
        m_error = errno != 0 ? errno : EIO;
    return m_error == 0;
}
