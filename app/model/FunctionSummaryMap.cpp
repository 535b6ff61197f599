#include "FunctionSummaryMap.h"

#include "CallTree.h"
#include "Profile.h"
#include "ProfiledFunctionSummary.h"
#include "RecursionRule.h"

#include <algorithm>
#include <functional>

FunctionSummaryMap::FunctionSummaryMap(const ProfiledFunctionCall &call)
    : FunctionSummaryMap(call.function().profile(), { call.callNumber() })
{ }

FunctionSummaryMap::FunctionSummaryMap(const Profile &profile, std::vector<quint32> starts)
    : m_profile(profile)
    , m_size(m_profile.functionCount())
    , m_eventCount(m_profile.callTree().eventCount())
    , m_rowSize(1 + 2 * size_t(m_eventCount))
    , m_table(size_t(m_size) * m_rowSize)
{
    const CallTree &tree = m_profile.callTree();
    RecursionRule recursion { size_t(m_size) };
    // Everything below a call is the run of calls before it that begins its
    // subtree, walked backwards. The starts' runs do not overlap: taken from
    // the highest down, the whole walk goes down the numbers, as the
    // recursion rule needs.
    std::sort(starts.begin(), starts.end(), std::greater<>());
    for (const quint32 start : starts) {
        const quint32 begin = tree.subtreeBegin(start);
        if (begin == start)
            continue;
        const std::vector<quint32> subtreeBegins = tree.subtreeBegins(begin, start - 1);
        for (quint32 below = start; below-- > begin;)
            add(below, recursion.countsInclusive(below, subtreeBegins[below - begin], tree.function(below)));
    }
}

void FunctionSummaryMap::add(quint32 call, bool countsInclusive)
{
    const CallTree &tree = m_profile.callTree();
    quint64 *row = &m_table[size_t(tree.function(call)) * m_rowSize];
    ++row[0];
    for (int event = 0; event < m_eventCount; ++event) {
        const bool isSigned = tree.isSigned(event);
        quint64 &self = row[1 + event];
        self = Cost::addBits(self, tree.selfBits(event, call), isSigned);
        if (countsInclusive) {
            quint64 &inclusive = row[1 + m_eventCount + event];
            inclusive = Cost::addBits(inclusive, tree.inclusiveBits(event, call), isSigned);
        }
    }
}

const FunctionModel &FunctionSummaryMap::function(qsizetype row) const
{
    return m_profile.function(quint32(row));
}

Cost FunctionSummaryMap::totalSelfCost(qsizetype row, int event) const
{
    return m_profile.events()[event].cost(selfBits(row, event));
}

Cost FunctionSummaryMap::totalInclusiveCost(qsizetype row, int event) const
{
    return m_profile.events()[event].cost(inclusiveBits(row, event));
}

Cost FunctionSummaryMap::averageSelfCost(qsizetype row, int event) const
{
    return totalSelfCost(row, event).dividedBy(callCount(row));
}

Cost FunctionSummaryMap::averageInclusiveCost(qsizetype row, int event) const
{
    return totalInclusiveCost(row, event).dividedBy(callCount(row));
}

std::vector<std::unique_ptr<ProfiledFunctionSummary>> FunctionSummaryMap::summariesBelow(
    const ProfiledFunctionCall &call)
{
    return summariesBelow(call.function().profile(), { call.callNumber() });
}

std::vector<std::unique_ptr<ProfiledFunctionSummary>> FunctionSummaryMap::summariesBelow(
    const Profile &profile, const std::vector<quint32> &starts)
{
    const FunctionSummaryMap totals(profile, starts);
    const CallTree &tree = profile.callTree();
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries;
    std::vector<ProfiledFunctionSummary *> summaryOfFunction(size_t(totals.size()), nullptr);
    // Pre-order with an explicit stack, start after start: children are
    // pushed last first so that they come off in the order the profile
    // lists them.
    std::vector<quint32> pending;
    for (const quint32 start : starts) {
        for (quint32 i = tree.childCount(start); i-- > 0;)
            pending.push_back(tree.child(start, i));
        while (!pending.empty()) {
            const quint32 node = pending.back();
            pending.pop_back();
            const quint32 function = tree.function(node);
            ProfiledFunctionSummary *&summary = summaryOfFunction[function];
            if (!summary) {
                summaries.push_back(std::make_unique<ProfiledFunctionSummary>(totals, function));
                summary = summaries.back().get();
            }
            summary->m_calls.push_back(&tree.call(node));
            for (quint32 i = tree.childCount(node); i-- > 0;)
                pending.push_back(tree.child(node, i));
        }
    }
    return summaries;
}
