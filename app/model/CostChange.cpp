#include "CostChange.h"

#include <algorithm>
#include <cmath>
#include <limits>

CostChange::CostChange(Cost before, Cost after)
{
    // Differences are taken modulo 2^64, where the larger figure minus the
    // smaller is exact for either kind.
    const bool increased = after > before;
    m_sign = increased ? 1 : (after < before ? -1 : 0);
    m_magnitude = increased ? after.bits() - before.bits() : before.bits() - after.bits();
    m_base = before.isSigned() ? std::fabs(double(before.toSigned())) : double(before.toUnsigned());
}

double CostChange::percentage() const
{
    if (m_base == 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return m_sign * double(m_magnitude) * 100.0 / m_base;
}

quint64 CostChange::orderKey() const
{
    constexpr quint64 none = quint64(1) << 63;
    const quint64 size = std::min(m_magnitude, none - 1);
    return m_sign > 0 ? none + size : (m_sign < 0 ? none - 1 - size : none);
}

std::strong_ordering operator<=>(const CostChange &left, const CostChange &right)
{
    if (left.m_sign != right.m_sign)
        return left.m_sign <=> right.m_sign;
    // Among decreases the larger one comes first.
    return left.m_sign < 0 ? right.m_magnitude <=> left.m_magnitude : left.m_magnitude <=> right.m_magnitude;
}
