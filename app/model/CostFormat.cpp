#include "CostFormat.h"

#include "CostChange.h"
#include "ProfileEvent.h"
#include "SharedText.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

struct Unit
{
    double divisor; // microseconds in one of the unit
    int decimals;
    QStringView symbol;
};

// In the order of TimeUnit's fixed units.
constexpr Unit units[] = {
    { 1000000.0, 3, u"s" },
    { 1000.0, 1, u"ms" },
    { 1.0, 0, u"\u00b5s" },
    { 0.001, 0, u"ns" },
};

// Automatic's units, largest first, each shown with a decimal more than
// the fixed one below a thousand so that 1.5 µs is not 2 µs.
constexpr Unit automaticUnits[] = {
    { 1000000.0, 3, u"s" },
    { 1000.0, 1, u"ms" },
    { 1.0, 1, u"\u00b5s" },
    { 0.001, 0, u"ns" },
};

// The way `microseconds` is shown in `unit`; null for Unknown.
const Unit *unitOf(double microseconds, TimeUnit unit)
{
    switch (unit) {
    case TimeUnit::Unknown:
        return nullptr;
    case TimeUnit::Automatic:
        for (const Unit &candidate : automaticUnits) {
            if (std::abs(microseconds) >= candidate.divisor)
                return &candidate;
        }
        return &automaticUnits[std::size(automaticUnits) - 1];
    default:
        return &units[int(unit)];
    }
}

// Whether the figure shows as nothing but zeros with the unit's decimals.
bool roundsToNothing(double microseconds, const Unit &shown)
{
    const QByteArray digits = QByteArray::number(microseconds / shown.divisor, 'f', shown.decimals);
    return std::none_of(digits.begin(), digits.end(), [](char digit) { return digit >= '1' && digit <= '9'; });
}

} // namespace

bool CostFormat::isBelowThreshold(double microseconds, TimeUnit unit)
{
    const Unit *shown = unitOf(microseconds, unit);
    return shown && roundsToNothing(microseconds, *shown);
}

QString CostFormat::timeCostString(double microseconds, TimeUnit unit, bool displayDash, const QLocale &locale)
{
    const Unit *shown = unitOf(microseconds, unit);
    if (!shown)
        return QStringLiteral("unknown measurement format");
    if (displayDash && roundsToNothing(microseconds, *shown))
        return dashString;
    return locale.toString(microseconds / shown->divisor, 'f', shown->decimals).append(shown->symbol);
}

QString CostFormat::timeCostStringWithPercentage(
    double microseconds, double referenceMicroseconds, TimeUnit unit, bool displayDash, const QLocale &locale)
{
    const QString time = timeCostString(microseconds, unit, displayDash, locale);
    if (time == dashString)
        return time;
    return withPercentage(time, microseconds, referenceMicroseconds, locale);
}

QString CostFormat::withPercentage(const QString &text, double value, double reference, const QLocale &locale)
{
    // A zero reference gives the texts printf gives for 0/0 and x/0.
    const double percentage = value * 100.0 / reference;
    if (!std::isfinite(percentage))
        return text + QString::asprintf(" (%.2f%%)", percentage);
    return text + QStringLiteral(" (%1%)").arg(locale.toString(percentage, 'f', 2));
}

QString CostFormat::memoryCostString(qint64 bytes, const QLocale &locale)
{
    if (bytes >= 0)
        return locale.formattedDataSize(bytes);
    // The lowest figure has no positive counterpart; one byte off is not shown.
    const qint64 magnitude = bytes == std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::max() : -bytes;
    return QLatin1Char('-') + locale.formattedDataSize(magnitude);
}

QString CostFormat::summaryString(const QList<ProfileEvent> &events, const QList<Cost> &summary, TimeUnit unit,
    bool displayDash, const QLocale &locale)
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
        parts << label + QLatin1Char(' ') + costString(event, summary[given], unit, displayDash, locale);
    }
    return parts.join(QLatin1String(", "));
}

QString CostFormat::costString(
    const ProfileEvent &event, Cost cost, TimeUnit unit, bool displayDash, const QLocale &locale)
{
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        return timeCostString(event.unit().toMicroseconds(cost.toUnsigned()), unit, displayDash, locale);
    case ProfileEvent::Kind::Memory:
        return memoryCostString(cost.toSigned(), locale);
    case ProfileEvent::Kind::Other:
        break;
    }
    return locale.toString(cost.toSigned());
}

QString CostFormat::changeString(
    const ProfileEvent &event, const CostChange &change, TimeUnit unit, const QLocale &locale)
{
    QString text = change.sign() > 0 ? QStringLiteral("+") : (change.sign() < 0 ? QStringLiteral("-") : QString());
    const quint64 magnitude = change.magnitude();
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        text += timeCostString(event.unit().toMicroseconds(magnitude), unit, false, locale);
        break;
    case ProfileEvent::Kind::Memory:
        text += memoryCostString(qint64(std::min(magnitude, quint64(std::numeric_limits<qint64>::max()))), locale);
        break;
    case ProfileEvent::Kind::Other:
        text += locale.toString(magnitude);
        break;
    }
    const double percentage = change.percentage();
    if (!std::isnan(percentage)) {
        const QString sign = change.sign() == 0 || percentage < 0 ? QString() : QStringLiteral("+");
        text += QStringLiteral(" (%1%2%)").arg(sign, locale.toString(percentage, 'f', 1));
    }
    return text;
}

namespace {

// The units of a kind, smallest first, and how many of one make the next.
struct UnitLadder
{
    std::array<QStringView, 7> symbols;
    qsizetype count;
    double step;
    int decimals; // shown in a larger unit at most
};

constexpr UnitLadder ladders[] = {
    { { u"ns", u"\u00b5s", u"ms", u"s" }, 4, 1000.0, 3 },
    { { u"bytes", u"KiB", u"MiB", u"GiB", u"TiB", u"PiB", u"EiB" }, 7, 1024.0, 2 },
    { { u"%" }, 1, 1.0, 0 },
};

bool isSpace(QChar character)
{
    return character == u' ' || character == QChar(0x00a0) || character == QChar(0x202f);
}

// The ladder `symbol` is on and its place there; null for an unknown unit.
const UnitLadder *ladderOf(QStringView symbol, qsizetype &place)
{
    for (const UnitLadder &ladder : ladders) {
        place
            = std::find(ladder.symbols.begin(), ladder.symbols.begin() + ladder.count, symbol) - ladder.symbols.begin();
        if (place < ladder.count)
            return &ladder;
    }
    return nullptr;
}

} // namespace

CostFormat::FigureParts CostFormat::figureParts(const QString &text, const QLocale &locale)
{
    FigureParts parts;
    QStringView rest(text);
    if (rest.endsWith(u')')) {
        const qsizetype open = rest.lastIndexOf(QStringView(u" ("));
        if (open < 0)
            return {};
        parts.share = rest.sliced(open).toString();
        rest.truncate(open);
    }
    for (const QString &sign :
        { QStringLiteral("+"), QStringLiteral("-"), locale.negativeSign(), locale.positiveSign() }) {
        if (!sign.isEmpty() && rest.startsWith(sign)) {
            parts.sign = sign;
            rest = rest.sliced(sign.size());
            break;
        }
    }
    const QString group = locale.groupSeparator();
    const QString point = locale.decimalPoint();
    qsizetype length = 0;
    while (length < rest.size()) {
        const QStringView next = rest.sliced(length);
        if (next.front().isDigit())
            length += 1;
        else if (!group.isEmpty() && next.startsWith(group) && length > 0)
            length += group.size();
        else if (next.startsWith(point) && length > 0)
            length += point.size();
        else
            break;
    }
    const QStringView number = rest.first(length);
    QStringView unit = rest.sliced(length);
    qsizetype place = 0;
    bool parsed = false;
    locale.toDouble(number, &parsed);
    while (!unit.isEmpty() && isSpace(unit.front()))
        unit = unit.sliced(1);
    if (!parsed || (!unit.isEmpty() && !ladderOf(unit, place)))
        return {};
    parts.number = number.toString();
    parts.unit = rest.sliced(length).toString();
    return parts;
}

QStringList CostFormat::shorterForms(const QString &figure, const QLocale &locale)
{
    const FigureParts parts = figureParts(figure, locale);
    if (parts.number.isEmpty())
        return {};
    double value = locale.toDouble(parts.number);
    const qsizetype point = parts.number.indexOf(locale.decimalPoint());
    const int decimals = point < 0 ? 0 : int(parts.number.size() - point - locale.decimalPoint().size());
    // The space before the unit stays with every unit.
    const QString space = parts.unit.first(parts.unit.size() - parts.unit.trimmed().size());
    QString symbol = parts.unit.trimmed();

    QStringList forms;
    QString shortest = parts.number + parts.unit;
    const auto add = [&](int shownDecimals) {
        const QString form = locale.toString(value, 'f', shownDecimals) + space + symbol;
        if (form.size() < shortest.size()) {
            forms << parts.sign + form + parts.share;
            shortest = form;
        }
    };
    for (int fewer = decimals - 1; fewer >= 0; --fewer)
        add(fewer);
    qsizetype place = 0;
    if (const UnitLadder *ladder = ladderOf(symbol, place)) {
        for (++place; place < ladder->count && std::abs(value) >= 1000.0; ++place) {
            value /= ladder->step;
            symbol = ladder->symbols[place].toString();
            for (int shown = ladder->decimals; shown >= 0; --shown)
                add(shown);
        }
    }
    if (!parts.share.isEmpty())
        forms << parts.sign + shortest;
    return forms;
}
