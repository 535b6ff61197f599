#include "ProfiledFunctionSummary.h"

#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"

ProfiledFunctionSummary::ProfiledFunctionSummary(const FunctionSummaryMap &map, qsizetype row)
    : ProfiledFunction(map.function(row))
    , m_eventCount(int(function().profile().events().size()))
{
    m_calls.reserve(size_t(map.callCount(row)));
    for (int event = 0; event < m_eventCount; ++event)
        m_costs.append(map.totalSelfCost(row, event));
    for (int event = 0; event < m_eventCount; ++event)
        m_costs.append(map.totalInclusiveCost(row, event));
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
