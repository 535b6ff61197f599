#include "LineScanner.h"

#include "NameTable.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// One bit per "\n" or "\r" among the 64 bytes at `bytes`.
quint64 terminatorsIn(const char *bytes)
{
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    quint64 mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + 16 * i));
        const int found
            = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lineFeed), _mm_cmpeq_epi8(block, carriageReturn)));
        mask |= quint64(quint16(found)) << (16 * i);
    }
    return mask;
#else
    quint64 mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= quint64(bytes[i] == '\n' || bytes[i] == '\r') << i;
    return mask;
#endif
}

// std::popcount is a call where the processor's baseline lacks the
// instruction; this is a few operations inline.
qsizetype bitCount(quint64 mask)
{
    mask -= (mask >> 1) & 0x5555555555555555ull;
    mask = (mask & 0x3333333333333333ull) + ((mask >> 2) & 0x3333333333333333ull);
    mask = (mask + (mask >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return qsizetype((mask * 0x0101010101010101ull) >> 56);
}

// Room for `size` items, not cleared: what is not written is not touched.
// A quarter more, so that the next pieces, which are much alike, fit.
template <typename T> void reserve(std::unique_ptr<T[]> &items, qsizetype &capacity, qsizetype size)
{
    if (capacity >= size)
        return;
    capacity = std::max(size + size / 4, capacity * 2);
    items = std::make_unique_for_overwrite<T[]>(size_t(capacity));
}

} // namespace

const char *LineScanner::lastLineEnd(const char *begin, const char *end)
{
    const char *at = end;
    if (at > begin && at[-1] == '\r')
        --at;
    while (at > begin && at[-1] != '\n' && at[-1] != '\r')
        --at;
    return at > begin ? at : nullptr;
}

void LineScanner::findLineEnds(const char *begin, const char *end)
{
    const qsizetype size = end - begin;
    reserve(m_ends, m_endsCapacity, size + 64);
    quint32 *ends = m_ends.get();
    qsizetype count = 0;
    for (qsizetype block = 0; block < size; block += 64) {
        quint64 mask;
        if (size - block >= 64) {
            mask = terminatorsIn(begin + block);
        } else {
            // The last bytes, copied so that nothing past the end is read.
            char tail[64] = {};
            std::copy(begin + block, end, tail);
            mask = terminatorsIn(tail) & ((quint64(1) << (size - block)) - 1);
        }
        // Eight offsets at a time, whether or not there are so many: lines
        // are short, so one round mostly takes all, and there is no branch
        // per line end to be mispredicted.
        const qsizetype found = bitCount(mask);
        quint32 *out = ends + count;
        do {
            for (int i = 0; i < 8; ++i) {
                out[i] = quint32(block + std::countr_zero(mask | (quint64(1) << 63)));
                mask &= mask - 1;
            }
            out += 8;
        } while (mask != 0);
        count += found;
    }
    m_endCount = count;
}

// Writes a cost line's numbers at `numbers`, answering where they end.
quint64 *LineScanner::readFigures(std::string_view line, quint64 *numbers)
{
    quint64 *header = numbers;
    size_t at = 0;
    readNumber(line, at, numbers[1]);
    numbers += 2;
    bool negative = false;
    quint64 word = 0;
    for (int figure = 0; figure < maxFigures && readFigure(line, at, negative, *numbers); ++figure, ++numbers)
        word = (word + 1) | (quint64(negative) << (32 + figure));
    *header = word;
    return numbers;
}

void LineScanner::scan(const char *begin, const char *end)
{
    if (end - begin >= qsizetype(std::numeric_limits<quint32>::max()))
        throw std::length_error("line too long");
    m_begin = begin;
    m_next = 0;
    findLineEnds(begin, end);

    // Each line once: its bounds, the hash of a name, the numbers of costs.
    // Each number takes two bytes at least, a digit and what ends it.
    reserve(m_lines, m_linesCapacity, m_endCount + 1);
    reserve(m_numbers, m_numbersCapacity, end - begin + 2);
    Line *lines = m_lines.get();
    quint64 *const numbers = m_numbers.get();
    quint64 *nextNumbers = numbers;
    const quint32 *ends = m_ends.get();
    qsizetype count = 0;
    qsizetype start = 0;
    const auto take = [&](qsizetype lineEnd) {
        const std::string_view line(begin + start, size_t(lineEnd - start));
        quint64 datum = 0;
        if (line.size() >= 3 && line[0] >= '0' && line[0] <= '9') {
            datum = quint64(nextNumbers - numbers) | costFigures;
            nextNumbers = readFigures(line, nextNumbers);
        } else if (line.size() >= 3 && line[0] == 'f' && (line[1] == 'n' || line[1] == 'l') && line[2] == '='
            && (line.size() == 3 || line[3] != '(')) {
            datum = quint32(NameTable::hashOf(line.substr(3))) | (line[1] == 'n' ? functionName : sourceName);
        } else if (line.size() >= 4 && line[0] == 'c' && line[1] == 'f' && line[2] == 'n' && line[3] == '='
            && (line.size() == 4 || line[4] != '(')) {
            datum = quint32(NameTable::hashOf(line.substr(4))) | calleeName;
        }
        lines[count++] = { quint32(start), quint32(line.size()), datum };
    };
    for (qsizetype i = 0; i < m_endCount; ++i) {
        const qsizetype terminator = ends[i];
        // The "\n" of a "\r\n" was taken with its "\r".
        if (terminator < start)
            continue;
        take(terminator);
        start = terminator + 1;
        if (begin[terminator] == '\r' && start < end - begin && begin[start] == '\n')
            ++start;
    }
    // The last line of the text may have no end.
    if (start < end - begin)
        take(end - begin);
    m_count = count;
}
