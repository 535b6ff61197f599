#pragma once

#include "Cost.h"

#include <compare>

// How a figure moved from one profile to the next: its direction, its size
// and its share of the earlier figure. Kept as a sign and a magnitude, since
// the difference of two 64-bit figures can lie outside what either holds.
class CostChange
{
public:
    CostChange() = default;
    // `after` minus `before`, two figures of the same kind.
    CostChange(Cost before, Cost after);

    // -1 for a decrease, 0 for none, 1 for an increase.
    int sign() const { return m_sign; }
    quint64 magnitude() const { return m_magnitude; }
    // The change in percent of `before`, signed; NaN when `before` is 0.
    double percentage() const;

    // A number in the order below, from the largest decrease to the
    // largest increase; changes of 2^63 and more share the ends.
    quint64 orderKey() const;

    // From the largest decrease to the largest increase.
    friend std::strong_ordering operator<=>(const CostChange &left, const CostChange &right);
    friend bool operator==(const CostChange &left, const CostChange &right) { return (left <=> right) == 0; }

private:
    int m_sign = 0;
    quint64 m_magnitude = 0;
    // The size of `before`.
    double m_base = 0.0;
};
