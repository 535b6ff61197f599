#pragma once

#include <QtGlobal>

#include <vector>

// How totals count recursion once, the same for the function summary and
// the callers table: each call of a walk may count towards a row; it adds
// its inclusive figures to the row unless it lies inside another call of
// the same row that does, whose inclusive figures hold its own already. Its
// self figures always count. A call's subtree is the run of call numbers
// from where its subtree begins up to the call (CallTree); calls come from
// the highest number down, so that a call comes after the calls it lies
// inside.
class RecursionRule
{
public:
    explicit RecursionRule(size_t rowCount);

    // The next call of the walk, `call`, whose subtree begins at
    // `subtreeBegin`, for row `row`: whether its inclusive figures count.
    bool countsInclusive(quint32 call, quint32 subtreeBegin, quint32 row)
    {
        // Going down the numbers, a call lies inside an earlier one of its
        // row only if it lies inside the last one counted.
        quint32 &countedFrom = m_countedFrom[row];
        if (call >= countedFrom)
            return false;
        countedFrom = subtreeBegin;
        return true;
    }

private:
    // Per row, where the subtree of the last call counted begins; past
    // every call before the first.
    std::vector<quint32> m_countedFrom;
};
