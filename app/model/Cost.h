#pragma once

#include <QtGlobal>
#include <QtNumeric>

#include <compare>
#include <limits>

// One figure of one event. Time is an unsigned count in the profile's time
// unit; every other event (memory in bytes, anything else) is a signed
// count, since profilers write negative memory figures. Sums saturate at
// the ends of the range instead of wrapping round.
class Cost
{
public:
    constexpr Cost() = default;
    static constexpr Cost fromUnsigned(quint64 value) { return Cost(value, false); }
    static constexpr Cost fromSigned(qint64 value) { return Cost(quint64(value), true); }
    // The stored form: the two's-complement bits of a signed figure.
    static constexpr Cost fromBits(quint64 bits, bool isSigned) { return Cost(bits, isSigned); }

    bool isSigned() const { return m_signed; }
    quint64 bits() const { return m_bits; }
    // The figure as the other kind would hold it, clamped at its ends.
    quint64 toUnsigned() const;
    qint64 toSigned() const;
    // A total divided by a count, rounding towards zero; 0 for no count.
    Cost dividedBy(quint64 count) const;

    // The saturating sum of two stored figures of one event; inline, as
    // the tree's passes add millions.
    static quint64 addBits(quint64 left, quint64 right, bool isSigned)
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

    // A figure as read, a sign and a magnitude, in the stored form of its
    // kind: an unsigned count cannot run backwards, and signed figures
    // saturate.
    static quint64 bitsOfFigure(bool negative, quint64 magnitude, bool isSigned)
    {
        if (!isSigned)
            return negative ? 0 : magnitude;
        constexpr quint64 lowest = quint64(1) << 63;
        if (negative)
            return magnitude >= lowest ? lowest : quint64(-qint64(magnitude));
        return qMin(magnitude, quint64(std::numeric_limits<qint64>::max()));
    }

    // Compares figures of the same kind.
    friend std::strong_ordering operator<=>(Cost left, Cost right);
    friend bool operator==(Cost left, Cost right) { return (left <=> right) == 0; }

private:
    constexpr Cost(quint64 bits, bool isSigned)
        : m_bits(bits)
        , m_signed(isSigned)
    { }

    quint64 m_bits = 0;
    bool m_signed = false;
};
