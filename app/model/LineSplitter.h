#pragma once

#include <QtGlobal>

#include <memory>
#include <string_view>

// Splits a piece of text into lines: "\n", "\r" and "\r\n" each end a line.
// All line ends of the piece are found first, 64 bytes at a time without a
// branch per line, and the names on function and file lines are hashed, so
// that a second thread can do both ahead of the reader; the lines are then
// handed out in a loop of their own. What follows the last line end is left
// as the rest, for the reader to join with the next piece. A splitter is
// used again for piece after piece.
class LineSplitter
{
public:
    // The piece may be any length; it is split in parts of this many bytes.
    static constexpr qsizetype partSize = qsizetype(1) << 18;

    // Starts on a piece of at most partSize bytes.
    void reset(const char *begin, const char *end);
    // Passes over a "\n" at the start, the pair of a "\r" that ended the
    // piece before.
    void skipLeadingLineFeed()
    {
        if (m_position < m_end && *m_position == '\n')
            ++m_position;
    }

    // Marks the name hashes of file lines; the bits of the hash the name
    // tables use are left alone.
    static constexpr quint64 sourceLine = quint64(1) << 63;

    // The next terminated line without its terminator, and for a line "fn=N"
    // or "fl=N" whose name is not a compressed one the hash of N, or else 0;
    // false at the rest.
    bool next(std::string_view &line, quint64 &nameHash)
    {
        while (m_next < m_count) {
            nameHash = m_hashes[m_next];
            const char *terminator = m_begin + m_ends[m_next++];
            // The "\n" of a "\r\n" was taken with its "\r".
            if (terminator < m_position)
                continue;
            line = std::string_view(m_position, size_t(terminator - m_position));
            m_position = terminator + 1;
            if (*terminator == '\r' && m_position < m_end && *m_position == '\n')
                ++m_position;
            return true;
        }
        return false;
    }

    // The name hash of the line `ahead` lines after the next, if known: a
    // name to look up soon.
    quint64 nameHashAhead(qsizetype ahead) const { return m_next + ahead < m_count ? m_hashes[m_next + ahead] : 0; }

    // The unterminated text after the last line next() gave.
    std::string_view rest() const { return std::string_view(m_position, size_t(m_end - m_position)); }
    // True when the piece ends with "\r", whose "\n" may begin the next one.
    bool endsWithCarriageReturn() const { return m_end > m_begin && m_end[-1] == '\r' && m_position == m_end; }

private:
    const char *m_begin = nullptr;
    const char *m_position = nullptr;
    const char *m_end = nullptr;
    // Offsets of every "\n" and "\r" of the piece, with room for the eight
    // written past the last at a time.
    std::unique_ptr<quint32[]> m_ends = std::make_unique_for_overwrite<quint32[]>(size_t(partSize + 64));
    std::unique_ptr<quint64[]> m_hashes = std::make_unique_for_overwrite<quint64[]>(size_t(partSize + 64));
    qsizetype m_count = 0;
    qsizetype m_next = 0;
};
