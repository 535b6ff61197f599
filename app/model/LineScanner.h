#pragma once

#include <QtGlobal>

#include <limits>
#include <memory>
#include <string_view>
#include <vector>

// Takes a piece of text apart into lines ahead of the reader, so that a
// second thread can do it: "\n", "\r" and "\r\n" each end a line. All line
// ends of the piece are found first, 64 bytes at a time without a branch per
// line; then the names on function and file lines are hashed and the numbers
// on cost lines read. The lines are handed out in a loop of their own. What
// follows the last line end is left as the rest, for the reader to join with
// the next piece. A scanner is used again for piece after piece.
class LineScanner
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

    // What next() works out for a line is a datum with one of these bits:
    // the hash of the name of a function line, of a file line, or where a
    // cost line's figures are kept. A name table uses the low 32 bits of
    // the hash alone.
    static constexpr quint64 functionName = quint64(1) << 61;
    static constexpr quint64 sourceName = quint64(1) << 62;
    static constexpr quint64 costFigures = quint64(1) << 63;
    // A cost line's numbers: the first is the source line, then up to
    // maxFigures figures, each a sign and a magnitude.
    static constexpr int maxFigures = 32;
    class Figures
    {
    public:
        explicit Figures(const quint64 *numbers)
            : m_numbers(numbers)
        { }
        quint64 line() const { return m_numbers[1]; }
        int count() const { return int(m_numbers[0] & 0xff); }
        // True when the line has more figures than were read.
        bool hasMore() const { return m_numbers[0] & 0x100; }
        bool isNegative(int figure) const { return (m_numbers[0] >> (32 + figure)) & 1; }
        quint64 magnitude(int figure) const { return m_numbers[2 + figure]; }

    private:
        // A word of count, more and signs, the line, then the magnitudes.
        const quint64 *m_numbers;
    };

    // The next terminated line without its terminator, and what was worked
    // out for it: for a line "fn=N" or "fl=N" whose name is not a compressed
    // one the hash of N, for a cost line where figures() finds its numbers,
    // and 0 for any other line or one cut by the end of a piece; false at
    // the rest.
    bool next(std::string_view &line, quint64 &datum)
    {
        while (m_next < m_count) {
            datum = m_data[m_next];
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

    Figures figures(quint64 datum) const { return Figures(m_numbers.data() + (datum & ~costFigures)); }
    // What was worked out for the line `ahead` lines after the next: a name
    // to look up soon, say.
    quint64 datumAhead(qsizetype ahead) const { return m_next + ahead < m_count ? m_data[m_next + ahead] : 0; }

    // Reads a number at `pos`, saturating at the largest; false when there
    // is no digit there.
    static bool readNumber(std::string_view line, size_t &pos, quint64 &value)
    {
        const size_t start = pos;
        value = 0;
        constexpr quint64 max = std::numeric_limits<quint64>::max();
        while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
            const quint64 digit = quint64(line[pos] - '0');
            value = value > (max - digit) / 10 ? max : value * 10 + digit;
            ++pos;
        }
        return pos > start;
    }
    // Reads the next figure after blanks and an optional sign; false when
    // there is none.
    static bool readFigure(std::string_view line, size_t &pos, bool &negative, quint64 &magnitude)
    {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\v' || line[pos] == '\f'))
            ++pos;
        negative = false;
        if (pos < line.size() && (line[pos] == '+' || line[pos] == '-'))
            negative = line[pos++] == '-';
        return readNumber(line, pos, magnitude);
    }

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
    std::unique_ptr<quint64[]> m_data = std::make_unique_for_overwrite<quint64[]>(size_t(partSize + 64));
    std::vector<quint64> m_numbers;
    qsizetype m_count = 0;
    qsizetype m_next = 0;
};
