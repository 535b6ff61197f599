#pragma once

#include <QtGlobal>

#include <vector>

// How totals count recursion once, the same for the function summary and
// the callers table: each call of a walk down the tree may count towards a
// row; it adds its inclusive figures to the row unless it lies inside
// another call of the same row, whose inclusive figures hold its own
// already. Its self figures always count. Calls come in an order in which
// every call follows its caller and the calls below it follow it directly
// (a walk down the tree, children in any order), every call of the walk,
// each with its row or none.
class RecursionRule
{
public:
    static constexpr quint32 noRow = 0xffffffff;

    explicit RecursionRule(size_t rowCount);

    // The next call of the walk, `call`, made by `caller`, for row `row`
    // (or none): whether its inclusive figures count.
    bool countsInclusive(quint32 call, quint32 caller, quint32 row);

private:
    struct Open
    {
        quint32 call;
        quint32 row;
    };
    // The calls of the walk above the current one, outermost first.
    std::vector<Open> m_open;
    // Per row, how many of them are of the row.
    std::vector<quint32> m_openOfRow;
};
