#include "Cost.h"

#include <QtNumeric>

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

quint64 Cost::addBits(quint64 left, quint64 right, bool isSigned)
{
    if (!isSigned) {
        quint64 sum;
        return qAddOverflow(left, right, &sum) ? std::numeric_limits<quint64>::max() : sum;
    }
    qint64 sum;
    if (!qAddOverflow(qint64(left), qint64(right), &sum))
        return quint64(sum);
    // Both had the same sign, which the sum keeps.
    return quint64(qint64(right) < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max());
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
