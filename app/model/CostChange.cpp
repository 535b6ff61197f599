#include "CostChange.h"

#include <cmath>
#include <limits>

CostChange::CostChange(Cost before, Cost after)
{
    // Differences are taken modulo 2^64, where the larger figure minus the
    // smaller is exact for either kind.
    const bool increased = after > before;
    m_sign = increased ? 1 : (after < before ? -1 : 0);
    m_magnitude = increased ? after.bits() - before.bits() : before.bits() - after.bits();
    const double base = before.isSigned() ? std::fabs(double(before.toSigned())) : double(before.toUnsigned());
    m_percentage = base == 0.0 ? std::numeric_limits<double>::quiet_NaN() : m_sign * double(m_magnitude) * 100.0 / base;
}

std::strong_ordering operator<=>(const CostChange &left, const CostChange &right)
{
    if (left.m_sign != right.m_sign)
        return left.m_sign <=> right.m_sign;
    // Among decreases the larger one comes first.
    return left.m_sign < 0 ? right.m_magnitude <=> left.m_magnitude : left.m_magnitude <=> right.m_magnitude;
}
