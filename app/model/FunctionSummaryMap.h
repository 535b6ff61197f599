#pragma once

#include "Cost.h"
#include "FixedArray.h"
#include "ProfiledFunctionSummary.h"

#include <QtGlobal>

#include <memory>
#include <vector>

class FunctionModel;
class Profile;
class ProfiledFunctionCall;

// The figures of every function called below one call of the tree, the call
// itself excluded: how often it was called and each event's total self and
// inclusive cost. Recursion is counted once (RecursionRule): a call nested
// in another call of the same function below the start adds its self cost
// but not its inclusive cost. A row per function of the profile, by its
// id; a function not called below the start has a call count of 0. The
// rows lie in one table, sized once.
class FunctionSummaryMap
{
public:
    explicit FunctionSummaryMap(const ProfiledFunctionCall &call);
    // The same below each of the calls `starts` of `profile`, none of which
    // lies below another (the calls along one call path, say), taken
    // together: recursion is counted once within each start's subtree.
    FunctionSummaryMap(const Profile &profile, std::vector<quint32> starts);

    qsizetype size() const { return m_size; }
    const FunctionModel &function(qsizetype row) const;
    quint64 callCount(qsizetype row) const { return m_table[size_t(row) * m_rowSize]; }
    // The stored form of the totals, for walks over many rows.
    quint64 selfBits(qsizetype row, int event) const { return m_table[size_t(row) * m_rowSize + 1 + size_t(event)]; }
    quint64 inclusiveBits(qsizetype row, int event) const
    {
        return m_table[size_t(row) * m_rowSize + 1 + size_t(m_eventCount + event)];
    }
    Cost totalSelfCost(qsizetype row, int event) const;
    Cost totalInclusiveCost(qsizetype row, int event) const;
    Cost averageSelfCost(qsizetype row, int event) const;
    Cost averageInclusiveCost(qsizetype row, int event) const;

    // The same figures as summaries in the order a walk down the tree first
    // meets their functions, each with its calls in that order.
    static std::vector<std::unique_ptr<ProfiledFunctionSummary>> summariesBelow(const ProfiledFunctionCall &call);
    // The same below each of `starts`, start after start.
    static std::vector<std::unique_ptr<ProfiledFunctionSummary>> summariesBelow(
        const Profile &profile, const std::vector<quint32> &starts);

private:
    // Adds `call` to its function's row, its inclusive figures if they
    // count.
    void add(quint32 call, bool countsInclusive);

    // A row: the call count, then each event's self total, then each
    // event's inclusive total.

    const Profile &m_profile;
    qsizetype m_size;
    int m_eventCount;
    size_t m_rowSize;
    FixedArray<quint64> m_table;
};
