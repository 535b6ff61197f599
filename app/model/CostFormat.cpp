#include "CostFormat.h"

#include "CostChange.h"
#include "ProfileEvent.h"
#include "SharedText.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Unit
{
    double divisor;
    const char *format;
    float threshold; // single precision on purpose: 0.001f is slightly above 0.001
};

constexpr Unit units[] = {
    { 1000000.0, "%1.3fs", 0.001f },
    { 1000.0, "%.1fms", 0.1f },
    { 1.0, "%.0f\u00b5s", 1.0f },
};

// The unit's way of showing a time; null for Unknown.
const Unit *unitOf(TimeUnit unit)
{
    return unit == TimeUnit::Unknown ? nullptr : &units[int(unit)];
}

} // namespace

bool CostFormat::isBelowThreshold(double microseconds, TimeUnit unit)
{
    const Unit *shown = unitOf(unit);
    return shown && microseconds / shown->divisor < double(shown->threshold);
}

QString CostFormat::timeCostString(double microseconds, TimeUnit unit, bool displayDash)
{
    const Unit *shown = unitOf(unit);
    if (!shown)
        return QStringLiteral("unknown measurement format");
    if (displayDash && isBelowThreshold(microseconds, unit))
        return dashString;
    return QString::asprintf(shown->format, microseconds / shown->divisor);
}

QString CostFormat::timeCostStringWithPercentage(
    double microseconds, double referenceMicroseconds, TimeUnit unit, bool displayDash)
{
    const QString time = timeCostString(microseconds, unit, displayDash);
    if (time == dashString)
        return time;
    // A zero reference gives the texts printf gives for 0/0 and x/0.
    const double percentage = microseconds * 100.0 / referenceMicroseconds;
    return time + QString::asprintf(" (%.2f%%)", percentage);
}

QString CostFormat::memoryCostString(qint64 bytes)
{
    // The C locale, as for times: the same text whatever the user's language.
    const QLocale locale = QLocale::c();
    if (bytes >= 0)
        return locale.formattedDataSize(bytes);
    // The lowest figure has no positive counterpart; one byte off is not shown.
    const qint64 magnitude = bytes == std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::max() : -bytes;
    return QLatin1Char('-') + locale.formattedDataSize(magnitude);
}

QString CostFormat::summaryString(
    const QList<ProfileEvent> &events, const QList<Cost> &summary, TimeUnit unit, bool displayDash)
{
    QStringList parts;
    for (qsizetype given = 0; given < summary.size() && given < events.size(); ++given) {
        const ProfileEvent &event = events[given];
        // Profilers give the total time but the peak of memory.
        QString label = event.name();
        if (event.kind() == ProfileEvent::Kind::Time)
            label = QStringLiteral("time");
        else if (event.kind() == ProfileEvent::Kind::Memory)
            label = QStringLiteral("peak memory");
        parts << label + QLatin1Char(' ') + costString(event, summary[given], unit, displayDash);
    }
    return parts.join(QLatin1String(", "));
}

QString CostFormat::costString(const ProfileEvent &event, Cost cost, TimeUnit unit, bool displayDash)
{
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        return timeCostString(event.unit().toMicroseconds(cost.toUnsigned()), unit, displayDash);
    case ProfileEvent::Kind::Memory:
        return memoryCostString(cost.toSigned());
    case ProfileEvent::Kind::Other:
        break;
    }
    return QString::number(cost.toSigned());
}

QString CostFormat::changeString(const ProfileEvent &event, const CostChange &change, TimeUnit unit)
{
    QString text = change.sign() > 0 ? QStringLiteral("+") : (change.sign() < 0 ? QStringLiteral("-") : QString());
    const quint64 magnitude = change.magnitude();
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        text += timeCostString(event.unit().toMicroseconds(magnitude), unit, false);
        break;
    case ProfileEvent::Kind::Memory:
        text += memoryCostString(qint64(std::min(magnitude, quint64(std::numeric_limits<qint64>::max()))));
        break;
    case ProfileEvent::Kind::Other:
        text += QString::number(magnitude);
        break;
    }
    if (!std::isnan(change.percentage()))
        text += QString::asprintf(change.sign() == 0 ? " (%.1f%%)" : " (%+.1f%%)", change.percentage());
    return text;
}
