#include "CallEstimate.h"

#include <algorithm>

namespace {

// Bytes per call of the densest common profiles (current profilers with
// compressed names write about 65, older ones 90 and more), so that the
// first guess is rather too large, which costs address space only; and the
// same gzip-compressed.
constexpr double bytesPerCall = 64;
constexpr double compressedBytesPerCall = 8;
// Below this much read, what was read says little about the rest.
constexpr qint64 sampleSize = qint64(1) << 16;

} // namespace

void CallEstimate::setInput(qint64 size, bool compressed)
{
    m_size = std::max<qint64>(0, size);
    m_compressed = compressed;
}

quint64 CallEstimate::nextChunk(quint64 capacity, qint64 position, quint64 most) const
{
    const double expected = capacity > 0 && position >= sampleSize
        ? double(capacity) * double(m_size) / double(position)
        : double(m_size) / (m_compressed ? compressedBytesPerCall : bytesPerCall);
    // A file that goes on past what was expected (it grew, or is unlike its
    // start) gets half again its room at a time.
    const double chunk = std::max(expected - double(capacity), double(capacity / 2));
    return std::clamp<quint64>(chunk < double(most) ? quint64(chunk) : most, 1, std::max<quint64>(1, most));
}
