#pragma once

#include <QtGlobal>

#include <string_view>

// Splits bytes into lines: "\n" and "\r" each end a line by themselves, and a
// last line without a terminator is a line too. Terminators are found a
// block of 32 bytes at a time, so that short lines cost no call each.
class LineSplitter
{
public:
    LineSplitter(const char *begin, const char *end)
        : m_begin(begin)
        , m_position(begin)
        , m_end(end)
    { }

    // The next line without its terminator; false once the data is used up.
    bool next(std::string_view &line)
    {
        if (m_position >= m_end)
            return false;
        const char *terminator = nextTerminator();
        line = std::string_view(m_position, size_t(terminator - m_position));
        m_position = terminator == m_end ? m_end : terminator + 1;
        return true;
    }

private:
    static constexpr qsizetype blockSize = 32;

    const char *nextTerminator()
    {
        while (m_mask == 0) {
            m_block = m_block < 0 ? 0 : m_block + blockSize;
            if (m_block >= m_end - m_begin)
                return m_end;
            m_mask = terminatorsIn(m_begin + m_block, qMin(blockSize, qsizetype(m_end - m_begin) - m_block));
        }
        const char *terminator = m_begin + m_block + __builtin_ctz(m_mask);
        m_mask &= m_mask - 1;
        return terminator;
    }

    // One bit per "\n" or "\r" among the `length` bytes at `bytes`.
    static quint32 terminatorsIn(const char *bytes, qsizetype length);

    const char *m_begin;
    const char *m_position;
    const char *m_end;
    qsizetype m_block = -1;
    quint32 m_mask = 0;
};
