#include "ProfiledFunctionSummary.h"

#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"

ProfiledFunctionSummary::ProfiledFunctionSummary(const FunctionSummaryMap &map, qsizetype row)
    : ProfiledFunction(map.function(row))
{
    m_calls.reserve(size_t(map.callCount(row)));
    const int eventCount = int(function().profile().events().size());
    for (int event = 0; event < eventCount; ++event)
        m_totals.append(map.selfBits(row, event));
    for (int event = 0; event < eventCount; ++event)
        m_totals.append(map.inclusiveBits(row, event));
}

Cost ProfiledFunctionSummary::totalSelfCost(int event) const
{
    return function().profile().events()[event].cost(m_totals[event]);
}

Cost ProfiledFunctionSummary::totalInclusiveCost(int event) const
{
    return function().profile().events()[event].cost(m_totals[m_totals.size() / 2 + event]);
}

Cost ProfiledFunctionSummary::averageSelfCost(int event) const
{
    return totalSelfCost(event).dividedBy(m_calls.size());
}

Cost ProfiledFunctionSummary::averageInclusiveCost(int event) const
{
    return totalInclusiveCost(event).dividedBy(m_calls.size());
}

int ProfiledFunctionSummary::timeEvent() const
{
    return function().profile().timeEvent();
}

quint64 ProfiledFunctionSummary::totalSelfTime() const
{
    return totalSelfCost(timeEvent()).toUnsigned();
}

quint64 ProfiledFunctionSummary::totalInclusiveTime() const
{
    return totalInclusiveCost(timeEvent()).toUnsigned();
}

quint64 ProfiledFunctionSummary::averageSelfTime() const
{
    return averageSelfCost(timeEvent()).toUnsigned();
}

quint64 ProfiledFunctionSummary::averageInclusiveTime() const
{
    return averageInclusiveCost(timeEvent()).toUnsigned();
}
