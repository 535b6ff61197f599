#pragma once

#include "Cost.h"
#include "TimeUnit.h"

#include <QList>
#include <QLocale>
#include <QString>

class CostChange;
class ProfileEvent;

// Turns costs into text: time in the user's unit with a dash for times that
// round to nothing in it when asked, memory as an IEC data size, any other
// event as its number. Figures are grouped as `locale` groups them (the C
// locale, the default, does not group). The settings are the caller's to read.
class CostFormat
{
public:
    static QString timeCostString(
        double microseconds, TimeUnit unit, bool displayDash, const QLocale &locale = QLocale::c());
    // The time followed by its share of `reference`, e.g. "0.5ms (25.00%)";
    // a dashed time has no share.
    static QString timeCostStringWithPercentage(double microseconds, double referenceMicroseconds, TimeUnit unit,
        bool displayDash, const QLocale &locale = QLocale::c());
    // `text`, the figure `value`, followed by its share of `reference`.
    static QString withPercentage(const QString &text, double value, double reference, const QLocale &locale = {});
    // E.g. "512 bytes", "1.50 MiB", "-3.00 KiB".
    static QString memoryCostString(qint64 bytes, const QLocale &locale = QLocale::c());
    // A cost of `event` in the form its kind takes.
    static QString costString(
        const ProfileEvent &event, Cost cost, TimeUnit unit, bool displayDash, const QLocale &locale = QLocale::c());
    // A change of a cost of `event` with its sign and its share of the
    // earlier figure, e.g. "+1.5ms (+25.0%)", "-512 bytes (-50.0%)"; no
    // share when the earlier figure is 0. Never a dash: a change too small
    // to show still has a direction.
    static QString changeString(
        const ProfileEvent &event, const CostChange &change, TimeUnit unit, const QLocale &locale = QLocale::c());
    // The figures of a profiler's "summary:" line, one per event in order,
    // as "time 670µs, peak memory 4.88 KiB".
    static QString summaryString(const QList<ProfileEvent> &events, const QList<Cost> &summary, TimeUnit unit,
        bool displayDash, const QLocale &locale = QLocale::c());
    // Whether a time shown in `unit` rounds to nothing there.
    static bool isBelowThreshold(double microseconds, TimeUnit unit);

    // A figure as this class writes it, cut into its number and what stays
    // around it: "+", "1,234.5", "ms", " (+25.0%)". The unit keeps the space
    // before it. A text that is no figure has an empty number.
    struct FigureParts
    {
        QString sign;
        QString number;
        QString unit;
        QString share;
    };
    static FigureParts figureParts(const QString &text, const QLocale &locale = QLocale::c());
    // Ever shorter forms of a figure this class wrote, for a narrow place:
    // first with fewer decimals, then in larger units of its kind while the
    // number is a thousand or more ("1,234,568ms", "1,234.6s", "1,235s"),
    // each keeping its sign, unit and share; last the shortest without its
    // share. The numbers are rounded from the text, which is all a view
    // has. Empty for a text that is no figure or has no shorter form.
    static QStringList shorterForms(const QString &figure, const QLocale &locale = QLocale::c());
};
