#include "LineSplitter.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

quint32 LineSplitter::terminatorsIn(const char *bytes, qsizetype length)
{
#if defined(__SSE2__)
    if (length == blockSize) {
        const __m128i lineFeed = _mm_set1_epi8('\n');
        const __m128i carriageReturn = _mm_set1_epi8('\r');
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + 16));
        const quint32 lowMask = quint32(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(low, lineFeed), _mm_cmpeq_epi8(low, carriageReturn))));
        const quint32 highMask = quint32(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(high, lineFeed), _mm_cmpeq_epi8(high, carriageReturn))));
        return lowMask | (highMask << 16);
    }
#endif
    quint32 mask = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r')
            mask |= quint32(1) << i;
    }
    return mask;
}
