#include "CostUnit.h"

#include <limits>

namespace {

// Reads an unsigned decimal at the front of `text`; false when there is none
// or it does not fit.
bool takeNumber(QByteArrayView &text, quint64 &value)
{
    qsizetype digits = 0;
    value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        const quint64 digit = quint64(text[digits] - '0');
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return false;
        value = value * 10 + digit;
        ++digits;
    }
    text = text.sliced(digits);
    return digits > 0;
}

} // namespace

CostUnit CostUnit::fromEventName(QByteArrayView event)
{
    if (!event.startsWith("Time_(") || !event.endsWith(")"))
        return CostUnit();
    QByteArrayView unit = event.sliced(6, event.size() - 7);
    quint64 count = 1;
    if (!unit.isEmpty() && unit.front() >= '0' && unit.front() <= '9' && !takeNumber(unit, count))
        return CostUnit();
    quint64 scale = 0;
    if (unit == "ns")
        scale = 1;
    else if (unit == "us" || unit == "\xc2\xb5s" || unit == "\xce\xbcs")
        scale = 1000;
    else if (unit == "ms")
        scale = 1000000;
    else if (unit == "s")
        scale = 1000000000;
    if (scale == 0 || count == 0 || count > std::numeric_limits<quint64>::max() / scale)
        return CostUnit();
    return CostUnit(count * scale);
}

double CostUnit::toMicroseconds(quint64 cost) const
{
    // One division or one multiplication, so that every cost that is a whole
    // number of microseconds converts exactly (10 ns: cost / 100.0).
    if (m_nanoseconds % 1000 == 0)
        return double(cost) * double(m_nanoseconds / 1000);
    if (1000 % m_nanoseconds == 0)
        return double(cost) / double(1000 / m_nanoseconds);
    return double(cost) * double(m_nanoseconds) / 1000.0;
}
