#include "FlameGraphToolTip.h"

#include "CostFormat.h"
#include "DisplayText.h"
#include "Formatter.h"
#include "FunctionModel.h"
#include "GraphLocation.h"
#include "HiddenCallRows.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SourceFileModel.h"

#include <QStringList>

QString FlameGraphToolTip::text(
    const FlameGraphLayout &layout, const Profile &shown, int event, const FlameGraphLayout::Bar &bar)
{
    const QList<ProfileEvent> &events = shown.events();
    const auto figure = [&](int event, quint64 bits) {
        const ProfileEvent &kind = events[event];
        if (kind.kind() == ProfileEvent::Kind::Time)
            return Formatter::standardFormatter().getTimeCostString(kind.unit().toMicroseconds(bits));
        return CostFormat::costString(kind, kind.cost(bits), TimeUnit::Automatic, false, QLocale());
    };
    const std::vector<quint32> callees = bar.isBlock() ? layout.callees(bar.call) : std::vector<quint32>();
    // The figures of every event, summed over the calls of a block.
    const auto figures = [&](bool inclusive) {
        QStringList texts;
        for (int each = 0; each < events.size(); ++each) {
            const auto bitsOf = [&](quint32 call) {
                return inclusive ? layout.inclusiveBits(each, call) : layout.selfBits(each, call);
            };
            quint64 sum = bar.isBlock() ? 0 : bitsOf(bar.call);
            for (quint32 i = 0; i < bar.blockSize; ++i)
                sum = Cost::addBits(sum, bitsOf(callees[bar.firstCallee + i]), layout.isSigned(each));
            texts << figure(each, sum);
        }
        return texts.join(QLatin1String(", "));
    };

    // A path estimated from a function graph has no call: its place is its
    // function's in the graph.
    const quint32 recorded = layout.recordedCall(bar.call);
    const ProfiledFunctionCall *call = recorded == MergedCallTree::none ? nullptr : &shown.callTree().call(recorded);
    const GraphLocation place
        = call ? GraphLocation { call->source(), call->sourceLine() } : GraphLocation::ofPath(shown, bar.call);
    const FunctionModel &function = shown.function(layout.functionId(bar.call));
    QStringList lines;
    if (bar.hidden) {
        lines << tr("<b>%1</b> hidden as costing little, made by %2")
                     .arg(HiddenCallRows<CallTree>::label(bar.hiddenCalls, std::nullopt),
                         DisplayText::forRichText(function.name()));
    } else if (bar.isBlock()) {
        const QString calls = bar.blockSize == 1 ? tr("1 call") : tr("%1 calls").arg(bar.blockSize);
        lines << tr("<b>%1</b> too narrow to show, made by %2").arg(calls, DisplayText::forRichText(function.name()));
    } else {
        lines << QStringLiteral("<b>%1</b>").arg(DisplayText::forRichText(function.name()));
        // Internal functions have no place of their own ("php:internal", line 0).
        if (place.source && function.kind() != FunctionModel::Kind::Internal)
            lines << QStringLiteral("%1:%2").arg(DisplayText::forRichText(place.source->path())).arg(place.line);
        lines << tr("Self: %1").arg(figures(false));
        if (layout.isMerged())
            lines << tr("Calls: %1").arg(layout.callCount(bar.call));
    }
    lines << tr("Inclusive: %1").arg(figures(true));
    const double whole = layout.valueOf(layout.bar(0).call);
    if (whole > 0.0) {
        lines << tr("%1% of %2 (%3)")
                     .arg(QString::number(layout.valueOf(bar) * 100.0 / whole, 'f', 2),
                         DisplayText::forRichText(shown.function(layout.functionId(layout.bar(0).call)).name()),
                         DisplayText::forRichText(events[event].baseName().toString()));
    }
    return lines.join(QLatin1String("<br>"));
}
