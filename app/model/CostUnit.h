#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// The unit of a profile's time costs, read from the name of its time event:
// "Time" (or no unit) is one microsecond; "Time_(10ns)" is ten nanoseconds.
// A profile whose main event is no time has counts instead.
class CostUnit
{
public:
    CostUnit() = default;
    // From an event's name; anything unrecognised leaves microseconds.
    static CostUnit fromEventName(QByteArrayView name);
    // The costs of an event that is no time (instructions, say): counts.
    static CostUnit count() { return CostUnit(0); }

    bool isCount() const { return m_nanoseconds == 0; }

    // A time cost as microseconds, exact for whole-microsecond costs.
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
