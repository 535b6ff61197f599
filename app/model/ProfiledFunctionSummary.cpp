#include "ProfiledFunctionSummary.h"

#include "ProfiledFunctionCall.h"

ProfiledFunctionSummary::ProfiledFunctionSummary(const FunctionModel &function)
    : ProfiledFunction(function)
{ }

void ProfiledFunctionSummary::addCall(const ProfiledFunctionCall &call)
{
    m_calls.push_back(&call);
    m_totalSelfTime += call.selfTime();
    // Every node that is some node's ancestor carries the recursion-ancestor
    // mark, so looking among the marked calls added so far answers whether
    // the ancestor is among all the calls added so far.
    if (call.isRecursionAncestor())
        m_addedRecursionAncestors.insert(&call);
    const ProfiledFunctionCall *ancestor = call.ancestor();
    if (ancestor && m_addedRecursionAncestors.contains(ancestor))
        return; // its inclusive time is already part of the ancestor's
    m_totalInclusiveTime += call.inclusiveTime();
}

void ProfiledFunctionSummary::analyse()
{
    const quint64 count = m_calls.size();
    m_averageSelfTime = count > 0 ? m_totalSelfTime / count : 0;
    m_averageInclusiveTime = count > 0 ? m_totalInclusiveTime / count : 0;
}
