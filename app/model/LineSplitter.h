#pragma once

#include <QtGlobal>

#include <bit>
#include <string_view>

// Splits a piece of text into lines: "\n", "\r" and "\r\n" each end a line.
// Terminators are found a block of 32 bytes at a time, so that short lines
// cost no call each. What follows the last terminator is left as the rest,
// for the reader to join with the next piece.
class LineSplitter
{
public:
    LineSplitter(const char *begin, const char *end)
        : m_begin(begin)
        , m_position(begin)
        , m_end(end)
    { }

    // The next terminated line without its terminator; false at the rest.
    bool next(std::string_view &line)
    {
        const char *terminator = nextTerminator();
        if (terminator == m_end)
            return false;
        line = std::string_view(m_position, size_t(terminator - m_position));
        m_position = terminator + 1;
        if (*terminator == '\r' && m_position < m_end && *m_position == '\n')
            ++m_position;
        return true;
    }

    // The unterminated text after the last line next() gave.
    std::string_view rest() const { return std::string_view(m_position, size_t(m_end - m_position)); }
    // True when the piece ends with "\r", whose "\n" may begin the next one.
    bool endsWithCarriageReturn() const { return m_end > m_begin && m_end[-1] == '\r' && m_position == m_end; }

private:
    static constexpr qsizetype blockSize = 32;

    const char *nextTerminator()
    {
        for (;;) {
            while (m_mask == 0) {
                m_block = m_block < 0 ? 0 : m_block + blockSize;
                if (m_block >= m_end - m_begin)
                    return m_end;
                m_mask = terminatorsIn(m_begin + m_block, qMin(blockSize, qsizetype(m_end - m_begin) - m_block));
            }
            const char *terminator = m_begin + m_block + std::countr_zero(m_mask);
            m_mask &= m_mask - 1;
            // The "\n" of a "\r\n" was taken with its "\r".
            if (terminator >= m_position)
                return terminator;
        }
    }

    // One bit per "\n" or "\r" among the `length` bytes at `bytes`.
    static quint32 terminatorsIn(const char *bytes, qsizetype length);

    const char *m_begin;
    const char *m_position;
    const char *m_end;
    qsizetype m_block = -1;
    quint32 m_mask = 0;
};
