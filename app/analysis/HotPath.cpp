#include "HotPath.h"

#include "FunctionModel.h"
#include "ProfileEvent.h"
#include "ProfiledFunctionCall.h"

namespace {

// A status line shows one line of a sensible length: long names lose their middle.
QString shortened(const QString &name)
{
    constexpr qsizetype most = 120;
    if (name.size() <= most)
        return name;
    return name.first(most / 2) + QStringLiteral("\u2026") + name.last(most / 2 - 1);
}

QString eventLabel(const ProfileEvent &event)
{
    switch (event.kind()) {
    case ProfileEvent::Kind::Time:
        return QStringLiteral("time");
    case ProfileEvent::Kind::Memory:
        return QStringLiteral("memory");
    case ProfileEvent::Kind::Other:
        break;
    }
    return event.name();
}

} // namespace

HotPath::End HotPath::end(const ProfiledFunctionCall &start, int event)
{
    const ProfiledFunctionCall *current = &start;
    while (current->childCount() > 0) {
        const ProfiledFunctionCall *costliest = current->getChild(0);
        Cost highest = costliest->inclusiveCost(event);
        for (qsizetype i = 1; i < current->childCount(); ++i) {
            const Cost cost = current->getChild(i)->inclusiveCost(event);
            if (cost > highest) {
                costliest = current->getChild(i);
                highest = cost;
            }
        }
        // Zero or less (memory given back) is no cost to follow.
        if (highest <= Cost::fromBits(0, highest.isSigned()))
            return { current, Stop::NoCost };
        current = costliest;
    }
    return { current, Stop::Leaf };
}

QString HotPath::description(const End &end, const ProfileEvent &event)
{
    const QString where
        = QStringLiteral("Hot path of %1 ends at %2: ").arg(eventLabel(event), shortened(end.call->function().name()));
    if (end.reason == Stop::Leaf)
        return where + QStringLiteral("it calls nothing");
    return where
        + QStringLiteral("none of the %1 calls it makes has any %2").arg(end.call->childCount()).arg(eventLabel(event));
}
