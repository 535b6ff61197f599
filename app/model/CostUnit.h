#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// The unit of a profile's time costs, read from the name of its time event:
// "Time" (or no unit) is one microsecond; "Time_(10ns)" is ten nanoseconds.
class CostUnit
{
public:
    CostUnit() = default;
    // From an event's name; anything unrecognised leaves microseconds.
    static CostUnit fromEventName(QByteArrayView name);

    // A cost as microseconds, exact for whole-microsecond costs.
    double toMicroseconds(quint64 cost) const;
    // The number of nanoseconds one cost stands for (1000 for microseconds).
    quint64 nanoseconds() const { return m_nanoseconds; }

    bool operator==(const CostUnit &) const = default;

private:
    explicit CostUnit(quint64 nanoseconds)
        : m_nanoseconds(nanoseconds)
    { }
    quint64 m_nanoseconds = 1000;
};
