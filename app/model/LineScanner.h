#pragma once

#include <QtGlobal>

#include <limits>
#include <memory>
#include <string_view>
#include <vector>

// Takes a piece of a profile's text apart into lines ahead of the reader,
// so that a second thread can do it: "\n", "\r" and "\r\n" each end a line.
// All line ends are found first, 64 bytes at a time without a branch per
// line; then each line is looked at once: the names of function and file
// lines are hashed and the numbers on cost lines read. The reader then
// takes the lines in a loop of its own. A scanner is used again for piece
// after piece.
class LineScanner
{
public:
    // How much of a text given whole is taken apart at a time, lines
    // allowing.
    static constexpr qsizetype partSize = qsizetype(1) << 18;

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
        bool isNegative(int figure) const { return (m_numbers[0] >> (32 + figure)) & 1; }
        quint64 magnitude(int figure) const { return m_numbers[2 + figure]; }

    private:
        // A word of count, more and signs, the line, then the magnitudes.
        const quint64 *m_numbers;
    };

    // Where to cut text that goes on after `end`: after the last line end
    // before it, so that a piece holds whole lines. A "\r" just before `end`
    // does not count, as a "\n" may follow it. Null when there is none.
    static const char *lastLineEnd(const char *begin, const char *end);

    // Takes the piece [begin, end) apart. It holds whole lines, but for the
    // last piece of the text, whose last line may have no end. Throws
    // std::length_error for a piece of 4 GiB or more, which only a line that
    // long makes.
    void scan(const char *begin, const char *end);

    // What next() works out for a line is a datum with one of these bits:
    // the hash of the name of a function line, of a file line, of a callee
    // line ("cfn="), or where a cost line's figures are kept. A name table
    // uses the low 32 bits of the hash alone.
    static constexpr quint64 calleeName = quint64(1) << 60;
    static constexpr quint64 functionName = quint64(1) << 61;
    static constexpr quint64 sourceName = quint64(1) << 62;
    static constexpr quint64 costFigures = quint64(1) << 63;

    // The next line without its terminator, and what was worked out for it:
    // for a line "fn=N", "fl=N" or "cfn=N" whose name is not a compressed
    // one the hash of N, for a cost line where figures() finds its numbers, or else
    // 0; false after the last.
    bool next(std::string_view &line, quint64 &datum)
    {
        if (m_next == m_count)
            return false;
        const Line &next = m_lines[m_next++];
        line = std::string_view(m_begin + next.start, next.length);
        datum = next.datum;
        return true;
    }
    // Where the piece and the line next() gave last begin.
    const char *begin() const { return m_begin; }
    Figures figures(quint64 datum) const { return Figures(m_numbers.get() + (datum & ~costFigures)); }
    // What was worked out for the line `ahead` lines after the next: a name
    // to look up soon, say.
    quint64 datumAhead(qsizetype ahead) const { return m_next + ahead < m_count ? m_lines[m_next + ahead].datum : 0; }

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

private:
    void findLineEnds(const char *begin, const char *end);
    quint64 *readFigures(std::string_view line, quint64 *numbers);

    const char *m_begin = nullptr;
    // Offsets of every "\n" and "\r", with room for what is written past
    // the last at a time.
    std::unique_ptr<quint32[]> m_ends;
    qsizetype m_endsCapacity = 0;
    qsizetype m_endCount = 0;
    // Per line: where it starts, its length and what was worked out for it.
    struct Line
    {
        quint32 start;
        quint32 length;
        quint64 datum;
    };
    std::unique_ptr<Line[]> m_lines;
    qsizetype m_linesCapacity = 0;
    std::unique_ptr<quint64[]> m_numbers;
    qsizetype m_numbersCapacity = 0;
    qsizetype m_count = 0;
    qsizetype m_next = 0;
};
