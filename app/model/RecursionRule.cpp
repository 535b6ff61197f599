#include "RecursionRule.h"

RecursionRule::RecursionRule(size_t rowCount)
    : m_openOfRow(rowCount, 0)
{ }

bool RecursionRule::countsInclusive(quint32 call, quint32 caller, quint32 row)
{
    // The calls above are exactly the caller and its own callers: the
    // others are done.
    while (!m_open.empty() && m_open.back().call != caller) {
        if (m_open.back().row != noRow)
            --m_openOfRow[m_open.back().row];
        m_open.pop_back();
    }
    m_open.push_back({ call, row });
    if (row == noRow)
        return false;
    return m_openOfRow[row]++ == 0;
}
