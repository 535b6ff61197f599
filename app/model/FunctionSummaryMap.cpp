#include "FunctionSummaryMap.h"

#include "CallTree.h"
#include "Profile.h"
#include "ProfiledFunctionSummary.h"

#include <algorithm>

FunctionSummaryMap::FunctionSummaryMap(const ProfiledFunctionCall &call)
    : m_profile(call.function().profile())
    , m_rowOfFunction(size_t(m_profile.functionCount()), CallTree::none)
    , m_self(size_t(m_profile.callTree().eventCount()))
    , m_inclusive(m_self.size())
{
    const CallTree &tree = m_profile.callTree();
    const quint32 start = tree.numberOf(call);
    const int eventCount = tree.eventCount();
    // Everything below a call is the run of calls before it that begins its
    // subtree; walked backwards, every call comes after its caller, so the
    // calls open above a call are a stack, and a call is nested in another
    // of its function when that function has an open call.
    struct Open
    {
        quint32 call;
        quint32 row;
    };
    std::vector<Open> open;
    std::vector<quint32> openCalls; // per row
    const quint32 begin = tree.subtreeBegin(start);
    // Room for as many rows as there can be, so that no array is moved as
    // it grows; what is not used is never touched.
    const size_t rows = std::min<size_t>(start - begin, m_rowOfFunction.size());
    for (auto *list : { &m_function, &openCalls })
        list->reserve(rows);
    m_count.reserve(rows);
    for (int event = 0; event < eventCount; ++event) {
        m_self[size_t(event)].reserve(rows);
        m_inclusive[size_t(event)].reserve(rows);
    }
    open.reserve(start - begin);
    for (quint32 below = start; below-- > begin;) {
        const quint32 parent = tree.parent(below);
        while (!open.empty() && open.back().call != parent) {
            --openCalls[open.back().row];
            open.pop_back();
        }
        quint32 &row = m_rowOfFunction[tree.function(below)];
        if (row == CallTree::none) {
            row = quint32(m_function.size());
            m_function.push_back(tree.function(below));
            m_count.push_back(0);
            openCalls.push_back(0);
            for (int event = 0; event < eventCount; ++event) {
                m_self[size_t(event)].push_back(0);
                m_inclusive[size_t(event)].push_back(0);
            }
        }
        ++m_count[row];
        const bool nested = openCalls[row] > 0;
        for (int event = 0; event < eventCount; ++event) {
            const bool isSigned = tree.isSigned(event);
            quint64 &self = m_self[size_t(event)][row];
            self = Cost::addBits(self, tree.selfBits(event, below), isSigned);
            if (!nested) {
                quint64 &inclusive = m_inclusive[size_t(event)][row];
                inclusive = Cost::addBits(inclusive, tree.inclusiveBits(event, below), isSigned);
            }
        }
        ++openCalls[row];
        open.push_back({ below, row });
    }
}

const FunctionModel &FunctionSummaryMap::function(qsizetype row) const
{
    return m_profile.function(m_function[size_t(row)]);
}

Cost FunctionSummaryMap::totalSelfCost(qsizetype row, int event) const
{
    return m_profile.events()[event].cost(m_self[size_t(event)][size_t(row)]);
}

Cost FunctionSummaryMap::totalInclusiveCost(qsizetype row, int event) const
{
    return m_profile.events()[event].cost(m_inclusive[size_t(event)][size_t(row)]);
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
    const FunctionSummaryMap totals(call);
    const CallTree &tree = totals.m_profile.callTree();
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries;
    std::vector<ProfiledFunctionSummary *> summaryOfRow(size_t(totals.size()), nullptr);
    // Pre-order with an explicit stack: children are pushed last first so
    // that they come off in the order the profile lists them.
    const quint32 start = tree.numberOf(call);
    std::vector<quint32> pending;
    for (quint32 i = tree.childCount(start); i-- > 0;)
        pending.push_back(tree.child(start, i));
    while (!pending.empty()) {
        const quint32 node = pending.back();
        pending.pop_back();
        const quint32 row = totals.m_rowOfFunction[tree.function(node)];
        ProfiledFunctionSummary *&summary = summaryOfRow[row];
        if (!summary) {
            summaries.push_back(std::make_unique<ProfiledFunctionSummary>(totals, row));
            summary = summaries.back().get();
        }
        summary->m_calls.push_back(&tree.call(node));
        for (quint32 i = tree.childCount(node); i-- > 0;)
            pending.push_back(tree.child(node, i));
    }
    return summaries;
}
