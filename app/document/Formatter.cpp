#include "Formatter.h"

#include "CostFormat.h"
#include "Profile.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

namespace {

qint64 measurement()
{
    return KFUserDefaultsController::sharedUserDefaultsController().integerForKey(VTCMeasurement);
}

} // namespace

Formatter &Formatter::standardFormatter()
{
    static Formatter formatter;
    return formatter;
}

bool Formatter::displayDash(double microseconds, qint64 measurement)
{
    return CostFormat::isBelowThreshold(microseconds, measurement)
        && KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCDisplayDash);
}

QString Formatter::getTimeCostString(double microseconds) const
{
    const qint64 unit = measurement();
    return CostFormat::timeCostString(microseconds, unit, displayDash(microseconds, unit));
}

QString Formatter::getTimeCostStringWithPercentage(double microseconds, double referenceMicroseconds) const
{
    const qint64 unit = measurement();
    return CostFormat::timeCostStringWithPercentage(
        microseconds, referenceMicroseconds, unit, displayDash(microseconds, unit));
}

QString Formatter::getSummaryString(const Profile &profile) const
{
    return CostFormat::summaryString(profile.events(), profile.summaryCosts(), measurement(),
        KFUserDefaultsController::sharedUserDefaultsController().boolForKey(VTCDisplayDash));
}
