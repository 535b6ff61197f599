#include "Cost.h"

#include <limits>

quint64 Cost::toUnsigned() const
{
    return m_signed && qint64(m_bits) < 0 ? 0 : m_bits;
}

qint64 Cost::toSigned() const
{
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    return !m_signed && m_bits > quint64(max) ? max : qint64(m_bits);
}

Cost Cost::dividedBy(quint64 count) const
{
    if (count == 0)
        return Cost(0, m_signed);
    if (!m_signed)
        return Cost(m_bits / count, false);
    // Counts beyond the signed range leave any total below one.
    if (count > quint64(std::numeric_limits<qint64>::max()))
        return Cost(0, true);
    return fromSigned(qint64(m_bits) / qint64(count));
}

std::strong_ordering operator<=>(Cost left, Cost right)
{
    Q_ASSERT(left.m_signed == right.m_signed);
    if (left.m_signed)
        return qint64(left.m_bits) <=> qint64(right.m_bits);
    return left.m_bits <=> right.m_bits;
}
