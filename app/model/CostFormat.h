#pragma once

#include "Cost.h"

#include <QList>
#include <QString>

class CostChange;
class ProfileEvent;

// Turns costs into text: time in the user's unit ("measurement": 0 seconds,
// 1 milliseconds, 2 microseconds) with a dash for times too small to show
// when asked, memory as a data size, any other event as its number. The
// settings are the caller's to read.
class CostFormat
{
public:
    static QString timeCostString(double microseconds, qint64 measurement, bool displayDash);
    // The time followed by its share of `reference`, e.g. "0.5ms (25.00%)";
    // a dashed time has no share.
    static QString timeCostStringWithPercentage(
        double microseconds, double referenceMicroseconds, qint64 measurement, bool displayDash);
    // E.g. "512 bytes", "1.50 MiB", "-3.00 KiB".
    static QString memoryCostString(qint64 bytes);
    // A cost of `event` in the form its kind takes.
    static QString costString(const ProfileEvent &event, Cost cost, qint64 measurement, bool displayDash);
    // A change of a cost of `event` with its sign and its share of the
    // earlier figure, e.g. "+1.5ms (+25.0%)", "-512 bytes (-50.0%)"; no
    // share when the earlier figure is 0. Never a dash: a change too small
    // to show still has a direction.
    static QString changeString(const ProfileEvent &event, const CostChange &change, qint64 measurement);
    // The figures of a profiler's "summary:" line, one per event in order,
    // as "time 670µs, peak memory 4.88 KiB".
    static QString summaryString(
        const QList<ProfileEvent> &events, const QList<Cost> &summary, qint64 measurement, bool displayDash);
    // Whether a time shown in `measurement` is too small to show.
    static bool isBelowThreshold(double microseconds, qint64 measurement);
};
