#pragma once

#include "Cost.h"
#include "ProfiledFunction.h"

#include <QVarLengthArray>
#include <QtGlobal>

#include <vector>

class FunctionSummaryMap;
class ProfiledFunctionCall;

// All calls of one function below some call of the tree, with their count
// and each event's totals and averages (see FunctionSummaryMap).
class ProfiledFunctionSummary final : public ProfiledFunction
{
public:
    // The figures of row `row` of `map`; the map adds the calls.
    ProfiledFunctionSummary(const FunctionSummaryMap &map, qsizetype row);

    quint32 callCount() const { return quint32(m_calls.size()); }
    const std::vector<const ProfiledFunctionCall *> &calls() const { return m_calls; }

    Cost totalSelfCost(int event) const;
    Cost totalInclusiveCost(int event) const;
    // Totals divided by the call count, nested recursive calls included.
    Cost averageSelfCost(int event) const;
    Cost averageInclusiveCost(int event) const;
    // The same for the profile's time event, in its own unit.
    quint64 totalSelfTime() const;
    quint64 totalInclusiveTime() const;
    quint64 averageSelfTime() const;
    quint64 averageInclusiveTime() const;

private:
    friend class FunctionSummaryMap;

    int timeEvent() const;

    std::vector<const ProfiledFunctionCall *> m_calls;
    // Each event's total self cost, then each event's total inclusive cost,
    // stored as the tree stores them: a summary table can have a million.
    QVarLengthArray<quint64, 4> m_totals;
};
