#include "Formatter.h"

#include "CostFormat.h"
#include "CostUnit.h"
#include "Profile.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

namespace {

TimeUnit timeUnit()
{
    return timeUnitFromSetting(KFUserDefaultsController::sharedUserDefaultsController().integerForKey(VTCMeasurement));
}

} // namespace

Formatter &Formatter::standardFormatter()
{
    static Formatter formatter;
    return formatter;
}

bool Formatter::displayDash(double microseconds, TimeUnit unit)
{
    return CostFormat::isBelowThreshold(microseconds, unit)
        && KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCDisplayDash);
}

QString Formatter::getTimeCostString(double microseconds) const
{
    const TimeUnit unit = timeUnit();
    return CostFormat::timeCostString(microseconds, unit, displayDash(microseconds, unit), QLocale());
}

QString Formatter::getTimeCostStringWithPercentage(double microseconds, double referenceMicroseconds) const
{
    const TimeUnit unit = timeUnit();
    return CostFormat::timeCostStringWithPercentage(
        microseconds, referenceMicroseconds, unit, displayDash(microseconds, unit), QLocale());
}

QString Formatter::getCostString(const CostUnit &unit, quint64 cost) const
{
    // Counts, as every event that is no time, are signed.
    return unit.isCount() ? QLocale().toString(qint64(cost)) : getTimeCostString(unit.toMicroseconds(cost));
}

QString Formatter::getCostStringWithPercentage(const CostUnit &unit, quint64 cost, quint64 reference) const
{
    if (!unit.isCount())
        return getTimeCostStringWithPercentage(unit.toMicroseconds(cost), unit.toMicroseconds(reference));
    return CostFormat::withPercentage(
        getCostString(unit, cost), double(qint64(cost)), double(qint64(reference)), QLocale());
}

QString Formatter::getSummaryString(const Profile &profile) const
{
    return CostFormat::summaryString(profile.events(), profile.summaryCosts(), timeUnit(),
        KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCDisplayDash), QLocale());
}
