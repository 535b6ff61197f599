#pragma once

#include "ChildOrder.h"
#include "Cost.h"
#include "CostFormat.h"
#include "SharedText.h"
#include "SmallCallFilter.h"
#include "ViewRoles.h"

#include <QCoreApplication>
#include <QString>
#include <QVariant>

#include <optional>
#include <unordered_map>
#include <vector>

// What an outline of a tree (CallTree or MergedCallTree) leaves out when it
// hides the calls that cost little next to its top row (SmallCallFilter):
// the children it shows under each parent it expands and, for a parent
// with hidden children, what they add up to, for the one row that stands
// for them ("N more calls"), so that the figures shown still add up.
template <typename Tree> class HiddenCallRows
{
public:
    using Hidden = typename SmallCallFilter<Tree>::Hidden;

    // From now on hides what costs less than `share` of `root`'s inclusive
    // cost of `event`; a share of 0, or no tree, hides nothing.
    void reset(const Tree *tree, quint32 root, int event, double share)
    {
        m_below.clear();
        m_filter.reset();
        if (tree && share > 0.0 && root != Tree::none)
            m_filter.emplace(*tree, root, event, share);
    }

    // The children of `node` shown, in `order` by `event`, `keep` among
    // them whatever its cost; what the others add up to is kept for
    // hiddenBelow().
    std::vector<quint32> shownChildren(
        const Tree &tree, quint32 node, ChildOrder order, int event, quint32 keep = Tree::none)
    {
        m_below.erase(node);
        if (!m_filter)
            return orderedChildren(tree, node, order, event);
        typename SmallCallFilter<Tree>::Children children = m_filter->children(node, order, keep);
        if (children.hidden.children > 0)
            m_below.emplace(node, std::move(children.hidden));
        return std::move(children.shown);
    }
    // What the children of `node` left out when they were last listed add
    // up to; null when none were.
    const Hidden *hiddenBelow(quint32 node) const
    {
        const auto found = m_below.find(node);
        return found == m_below.end() ? nullptr : &found->second;
    }
    // Forgets the children of `node`, whose rows went.
    void forget(quint32 node) { m_below.erase(node); }

    // The label of the row that stands for `calls` hidden calls, with their
    // share of the top row when there is one.
    static QString label(quint64 calls, std::optional<double> share)
    {
        const QString count = calls == 1 ? QCoreApplication::translate("HiddenCallRows", "1 more call")
                                         : QCoreApplication::translate("HiddenCallRows", "%1 more calls").arg(calls);
        return share ? QStringLiteral("%1 (%2%)").arg(count, QString::number(*share * 100.0, 'f', 1)) : count;
    }

    // A cell of the row that stands for `hidden`, at `depth`, in an outline
    // `Model` whose columns include those of the outline of calls
    // (function, inclusive time, share, self time, inclusive memory);
    // nothing for its other columns. `timeText` writes a cost of `timeEvent`.
    template <typename Model, typename TimeText>
    static QVariant cell(const Hidden &hidden, int column, int role, quint32 depth, std::optional<double> share,
        int timeEvent, int memoryEvent, bool memorySigned, const TimeText &timeText)
    {
        switch (role) {
        case Qt::DisplayRole:
            break;
        case Qt::ToolTipRole:
            if (column != Model::FunctionColumn)
                return {};
            break;
        case Qt::TextAlignmentRole:
            return column == Model::FunctionColumn ? QVariant()
                                                   : QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case ShareRole:
            return column == Model::ShareColumn ? QVariant(share.value_or(0.0)) : QVariant();
        case DepthRole:
            return column == Model::FunctionColumn ? QVariant(int(depth)) : QVariant();
        default:
            return {};
        }
        switch (column) {
        case Model::FunctionColumn:
            return label(hidden.calls, share);
        case Model::InclusiveTimeColumn:
            return timeText(hidden.inclusiveBits[size_t(timeEvent)]);
        case Model::ShareColumn:
            return share ? QString::asprintf("%.1f%%", *share * 100.0) : dashString;
        case Model::SelfTimeColumn:
            return timeText(hidden.selfBits[size_t(timeEvent)]);
        case Model::InclusiveMemoryColumn:
            if (memoryEvent < 0)
                return {};
            return CostFormat::memoryCostString(
                Cost::fromBits(hidden.inclusiveBits[size_t(memoryEvent)], memorySigned).toSigned());
        default:
            return {};
        }
    }

private:
    std::optional<SmallCallFilter<Tree>> m_filter;
    std::unordered_map<quint32, Hidden> m_below;
};
