#pragma once

#include "Cost.h"
#include "CostUnit.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// One of the events a profile records a figure of on every cost line, as
// named on its "events:" line: time (with its unit), memory in bytes, or any
// other count.
class ProfileEvent
{
public:
    enum class Kind { Time, Memory, Other };

    // The kind follows the name: "Time..." is time, "Memory..." memory.
    explicit ProfileEvent(const QString &name);

    // The events of an "events:" line; one "Time" event in microseconds when
    // it names none.
    static QList<ProfileEvent> fromEventsLine(QByteArrayView line);

    const QString &name() const { return m_name; }
    Kind kind() const { return m_kind; }
    // Time counts are unsigned, every other event's are signed.
    bool isSigned() const { return m_kind != Kind::Time; }
    // Meaningful for time only.
    const CostUnit &unit() const { return m_unit; }
    Cost cost(quint64 bits) const { return Cost::fromBits(bits, isSigned()); }

    // The name without a unit suffix such as "_(bytes)" ("Memory"): what
    // names the same event in profiles written with other units.
    QStringView baseName() const;
    // Whether `text` names this event: its whole name or the name without a
    // unit suffix such as "_(bytes)", in any case.
    bool isNamed(QStringView text) const;

private:
    QString m_name;
    Kind m_kind;
    CostUnit m_unit;
};
