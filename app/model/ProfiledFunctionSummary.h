#pragma once

#include "ProfiledFunction.h"

#include <QtGlobal>

#include <unordered_set>
#include <vector>

class ProfiledFunctionCall;

// All calls of one function below some call of the tree, with their count,
// totals and averages. Recursion is counted once: a call nested in an added
// call of the same function adds its self time but not its inclusive time.
class ProfiledFunctionSummary final : public ProfiledFunction
{
public:
    explicit ProfiledFunctionSummary(const FunctionModel &function);

    // Calls must be added in pre-order, after the tree was analysed.
    void addCall(const ProfiledFunctionCall &call);
    // Derives the averages; run once after the last addCall.
    void analyse();

    quint32 callCount() const { return quint32(m_calls.size()); }
    const std::vector<const ProfiledFunctionCall *> &calls() const { return m_calls; }
    quint64 totalSelfTime() const { return m_totalSelfTime; }
    quint64 totalInclusiveTime() const { return m_totalInclusiveTime; }
    quint64 averageSelfTime() const { return m_averageSelfTime; }
    quint64 averageInclusiveTime() const { return m_averageInclusiveTime; }

private:
    std::vector<const ProfiledFunctionCall *> m_calls;
    // The added calls that some call names as its recursion link: only those
    // can be the ancestor that addCall looks for among the calls.
    std::unordered_set<const ProfiledFunctionCall *> m_addedRecursionAncestors;
    quint64 m_totalSelfTime = 0;
    quint64 m_totalInclusiveTime = 0;
    quint64 m_averageSelfTime = 0;
    quint64 m_averageInclusiveTime = 0;
};
