#include "LineScanner.h"

#include "NameTable.h"

#include <algorithm>
#include <bit>

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

} // namespace

void LineScanner::reset(const char *begin, const char *end)
{
    Q_ASSERT(end - begin <= partSize);
    m_begin = begin;
    m_position = begin;
    m_end = end;
    m_next = 0;
    const qsizetype size = end - begin;
    quint32 *ends = m_ends.get();
    qsizetype count = 0;
    qsizetype block = 0;
    for (; block < size; block += 64) {
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
    m_count = count;

    // The same walk as next()'s, working out what the reader will want.
    m_numbers.clear();
    const char *position = begin;
    for (qsizetype i = 0; i < count; ++i) {
        const char *terminator = begin + ends[i];
        m_data[i] = 0;
        if (terminator < position)
            continue;
        const std::string_view line(position, size_t(terminator - position));
        if (line.size() >= 3 && line[0] == 'f' && (line[1] == 'n' || line[1] == 'l') && line[2] == '='
            && (line.size() == 3 || line[3] != '(')) {
            m_data[i] = quint32(NameTable::hashOf(line.substr(3))) | (line[1] == 'l' ? sourceName : functionName);
        } else if (line.size() >= 3 && line[0] >= '0' && line[0] <= '9') {
            const size_t header = m_numbers.size();
            quint64 number = 0;
            size_t at = 0;
            readNumber(line, at, number);
            m_numbers.push_back(0);
            m_numbers.push_back(number);
            bool negative = false;
            quint64 word = 0;
            for (int figure = 0; readFigure(line, at, negative, number); ++figure) {
                if (figure == maxFigures) {
                    word |= 0x100;
                    break;
                }
                word = (word + 1) | (quint64(negative) << (32 + figure));
                m_numbers.push_back(number);
            }
            m_numbers[header] = word;
            m_data[i] = header | costFigures;
        }
        position = terminator + 1;
        if (*terminator == '\r' && position < end && *position == '\n')
            ++position;
    }
}
