#pragma once

#include "Cost.h"
#include "TimeUnit.h"

#include <QList>
#include <QString>

class CostChange;
class ProfileEvent;

// Turns costs into text: time in the user's unit with a dash for times too
// small to show when asked, memory as a data size, any other event as its
// number. The settings are the caller's to read.
class CostFormat
{
public:
    static QString timeCostString(double microseconds, TimeUnit unit, bool displayDash);
    // The time followed by its share of `reference`, e.g. "0.5ms (25.00%)";
    // a dashed time has no share.
    static QString timeCostStringWithPercentage(
        double microseconds, double referenceMicroseconds, TimeUnit unit, bool displayDash);
    // E.g. "512 bytes", "1.50 MiB", "-3.00 KiB".
    static QString memoryCostString(qint64 bytes);
    // A cost of `event` in the form its kind takes.
    static QString costString(const ProfileEvent &event, Cost cost, TimeUnit unit, bool displayDash);
    // A change of a cost of `event` with its sign and its share of the
    // earlier figure, e.g. "+1.5ms (+25.0%)", "-512 bytes (-50.0%)"; no
    // share when the earlier figure is 0. Never a dash: a change too small
    // to show still has a direction.
    static QString changeString(const ProfileEvent &event, const CostChange &change, TimeUnit unit);
    // The figures of a profiler's "summary:" line, one per event in order,
    // as "time 670µs, peak memory 4.88 KiB".
    static QString summaryString(
        const QList<ProfileEvent> &events, const QList<Cost> &summary, TimeUnit unit, bool displayDash);
    // Whether a time shown in `unit` is too small to show.
    static bool isBelowThreshold(double microseconds, TimeUnit unit);
};
