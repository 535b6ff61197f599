#include "ProfileComparison.h"

#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "NameTable.h"
#include "Profile.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <unordered_map>

namespace {

struct NameHash
{
    size_t operator()(std::string_view name) const { return size_t(NameTable::hashOf(name)); }
};

} // namespace

ProfileComparison::ProfileComparison(const Profile &before, int beforeEvent, const Profile &after, int afterEvent)
    : m_event(before.events()[beforeEvent].kind() == ProfileEvent::Kind::Time
            ? ProfileEvent(QStringLiteral("Time_(ns)"))
            : before.events()[beforeEvent])
{
    const std::array<const Profile *, 2> profiles = { &before, &after };
    const std::array<int, 2> events = { beforeEvent, afterEvent };
    // Names as the profiles hold them, while they are compared.
    std::unordered_map<std::string_view, size_t, NameHash> rowOfName;
    for (const Side side : { Before, After }) {
        const Profile &profile = *profiles[side];
        const int event = events[side];
        const quint64 scale = profile.events()[event].unit().nanoseconds();
        // Functions of one name in several files or objects of a function
        // graph make one row.
        const auto add = [&](quint32 function, quint64 calls, quint64 self, quint64 inclusive) {
            const std::string_view name = profile.functionNames().bytes(function);
            const auto [found, added] = rowOfName.try_emplace(name, m_rows.size());
            if (added) {
                m_rows.push_back({ m_names.size(), name.size(), FunctionModel::kindOf(name) });
                m_names.append(name);
            }
            Row &row = m_rows[found->second];
            const bool isSigned = m_event.isSigned();
            row.calls[side] = Cost::addBits(row.calls[side], calls, false);
            row.self[side] = Cost::addBits(row.self[side], compared(self, scale), isSigned);
            row.inclusive[side] = Cost::addBits(row.inclusive[side], compared(inclusive, scale), isSigned);
        };
        if (profile.isAggregated()) {
            const MergedCallTree &paths = profile.estimatedCallTree();
            const FunctionGraph &graph = profile.functionGraph();
            if (paths.root() != MergedCallTree::none)
                m_rootInclusive[side] = compared(paths.inclusiveBits(event, paths.root()), scale);
            for (quint32 node = 0; node < graph.size(); ++node)
                add(graph.function(node), graph.calls(node), graph.selfBits(event, node),
                    graph.inclusiveBits(event, node));
            continue;
        }
        const ProfiledFunctionCall *root = profile.rootFunction();
        if (!root)
            continue;
        m_rootInclusive[side] = compared(root->inclusiveCost(event).bits(), scale);
        const FunctionSummaryMap summary(*root);
        for (qsizetype function = 0; function < summary.size(); ++function) {
            if (summary.callCount(function) > 0)
                add(quint32(function), summary.callCount(function), summary.selfBits(function, event),
                    summary.inclusiveBits(function, event));
        }
    }
    sortRows();
}

std::optional<int> ProfileComparison::matchingEvent(const Profile &before, int beforeEvent, const Profile &after)
{
    return after.eventNamed(before.events()[beforeEvent].baseName());
}

std::string_view ProfileComparison::nameBytes(qsizetype row) const
{
    return std::string_view(m_names).substr(at(row).nameOffset, at(row).nameSize);
}

quint64 ProfileComparison::compared(quint64 bits, quint64 nanosecondsPerCost) const
{
    if (m_event.kind() != ProfileEvent::Kind::Time)
        return bits;
    quint64 nanoseconds;
    return qMulOverflow(bits, nanosecondsPerCost, &nanoseconds) ? std::numeric_limits<quint64>::max() : nanoseconds;
}

void ProfileComparison::sortRows()
{
    std::vector<quint64> change(m_rows.size());
    for (size_t row = 0; row < m_rows.size(); ++row)
        change[row] = inclusiveChange(qsizetype(row)).magnitude();
    std::vector<size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t left, size_t right) {
        if (change[left] != change[right])
            return change[left] > change[right];
        return nameBytes(qsizetype(left)) < nameBytes(qsizetype(right));
    });
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (const size_t row : order)
        sorted.push_back(m_rows[row]);
    m_rows = std::move(sorted);
}
