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

bool isKnown(qint64 measurement)
{
    return measurement >= 0 && measurement <= 2;
}

} // namespace

bool CostFormat::isBelowThreshold(double microseconds, qint64 measurement)
{
    if (!isKnown(measurement))
        return false;
    const Unit &unit = units[measurement];
    return microseconds / unit.divisor < double(unit.threshold);
}

QString CostFormat::timeCostString(double microseconds, qint64 measurement, bool displayDash)
{
    if (!isKnown(measurement))
        return QStringLiteral("unknown measurement format");
    if (displayDash && isBelowThreshold(microseconds, measurement))
        return dashString;
    const Unit &unit = units[measurement];
    return QString::asprintf(unit.format, microseconds / unit.divisor);
}

QString CostFormat::timeCostStringWithPercentage(
    double microseconds, double referenceMicroseconds, qint64 measurement, bool displayDash)
{
    const QString time = timeCostString(microseconds, measurement, displayDash);
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
    const QList<ProfileEvent> &events, const QList<Cost> &summary, qint64 measurement, bool displayDash)
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
        parts << label + QLatin1Char(' ') + costString(event, summary[given], measurement, displayDash);
    }
    return parts.join(QLatin1String(", "));
}

QString CostFormat::costString(const ProfileEvent &event, Cost cost, qint64 measurement, bool displayDash)
{
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        return timeCostString(event.unit().toMicroseconds(cost.toUnsigned()), measurement, displayDash);
    case ProfileEvent::Kind::Memory:
        return memoryCostString(cost.toSigned());
    case ProfileEvent::Kind::Other:
        break;
    }
    return QString::number(cost.toSigned());
}

QString CostFormat::changeString(const ProfileEvent &event, const CostChange &change, qint64 measurement)
{
    QString text = change.sign() > 0 ? QStringLiteral("+") : (change.sign() < 0 ? QStringLiteral("-") : QString());
    const quint64 magnitude = change.magnitude();
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        text += timeCostString(event.unit().toMicroseconds(magnitude), measurement, false);
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
