#pragma once

#include "TimeUnit.h"

#include <QString>

class CostUnit;
class Profile;

// Turns time costs into text in the user's unit (the setting
// "measurement"), with a dash for times too small to show when
// "displayDash" is on. Times come in as microseconds; the caller
// converts from the profile's own cost unit. Settings are read at every
// call; the text itself is CostFormat's.
class Formatter
{
public:
    static Formatter &standardFormatter();

    QString getTimeCostString(double microseconds) const;
    // The time followed by its share of `reference`, e.g. "0.5ms (25.00%)";
    // a dashed time has no share.
    QString getTimeCostStringWithPercentage(double microseconds, double referenceMicroseconds) const;
    // A cost of the profile's time event in its `unit`: a time as above,
    // or the count where the event is no time.
    QString getCostString(const CostUnit &unit, quint64 cost) const;
    QString getCostStringWithPercentage(const CostUnit &unit, quint64 cost, quint64 reference) const;
    // The figures of the profiler's own "summary:" line, e.g. "time 670µs,
    // peak memory 4.88 KiB"; empty without one.
    QString getSummaryString(const Profile &profile) const;

private:
    Formatter() = default;
    // The dash setting, read only when it matters: for times below the unit's threshold.
    static bool displayDash(double microseconds, TimeUnit unit);
};
