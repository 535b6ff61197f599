#include "Formatter.h"

#include "SettingsKeys.h"
#include "SharedText.h"

#include <KFUserDefaultsController.h>

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

} // namespace

Formatter &Formatter::standardFormatter()
{
    static Formatter formatter;
    return formatter;
}

QString Formatter::getTimeCostString(double microseconds) const
{
    auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    const qint64 measurement = defaults.integerForKey(VTCMeasurement);
    if (measurement < 0 || measurement > 2)
        return timeCostString(microseconds, measurement, false);
    // The dash setting only matters for times below the unit's threshold.
    const Unit &unit = units[measurement];
    const bool belowThreshold = microseconds / unit.divisor < double(unit.threshold);
    return timeCostString(microseconds, measurement, belowThreshold && defaults.boolForKey(VTCDisplayDash));
}

QString Formatter::getTimeCostStringWithPercentage(double microseconds, double referenceMicroseconds) const
{
    return withPercentage(getTimeCostString(microseconds), microseconds, referenceMicroseconds);
}

QString Formatter::timeCostString(double microseconds, qint64 measurement, bool displayDash)
{
    if (measurement < 0 || measurement > 2)
        return QStringLiteral("unknown measurement format");
    const Unit &unit = units[measurement];
    const double value = microseconds / unit.divisor;
    if (value < double(unit.threshold) && displayDash)
        return dashString;
    return QString::asprintf(unit.format, value);
}

QString Formatter::timeCostStringWithPercentage(
    double microseconds, double referenceMicroseconds, qint64 measurement, bool displayDash)
{
    return withPercentage(timeCostString(microseconds, measurement, displayDash), microseconds, referenceMicroseconds);
}

QString Formatter::withPercentage(const QString &time, double microseconds, double referenceMicroseconds)
{
    if (time == dashString)
        return time;
    // A zero reference gives the texts printf gives for 0/0 and x/0.
    const double percentage = microseconds * 100.0 / referenceMicroseconds;
    return time + QString::asprintf(" (%.2f%%)", percentage);
}
