#include "LineCosts.h"

#include "CallTree.h"
#include "Cost.h"
#include "Profile.h"

#include <QHash>

#include <algorithm>

namespace {

quint64 keyOf(quint32 source, quint32 line)
{
    return quint64(source) << 32 | line;
}

} // namespace

LineCosts::LineCosts(const Profile &profile, int event)
    : LineCosts(profile, event, profile.callTree().rootNumber())
{ }

LineCosts::LineCosts(const Profile &profile, int event, quint32 call)
    : m_tree(profile.callTree())
    , m_event(event)
    , m_top(call)
{
    if (m_top == CallTree::none)
        return;
    m_begin = m_tree.subtreeBegin(m_top);
    add();
}

void LineCosts::add()
{
    struct Row
    {
        quint64 key;
        Line costs;
        // Calls made from the line that are running at this point of the
        // walk below.
        quint32 open;
    };
    std::vector<Row> rows;
    QHash<quint64, quint32> rowOfKey;
    const auto rowOf = [&](quint32 source, quint32 line) {
        const quint64 key = keyOf(source, line);
        const auto found = rowOfKey.constFind(key);
        if (found != rowOfKey.constEnd())
            return *found;
        rows.push_back({ key, { line, 0, 0, 0 }, 0 });
        return rowOfKey.insert(key, quint32(rows.size() - 1)).value();
    };
    const bool isSigned = m_tree.isSigned(m_event);

    // Walked from the top call down, every call comes after its caller, so
    // the calls running above a call are a stack.
    struct Open
    {
        quint32 call;
        quint32 row;
    };
    constexpr quint32 noRow = CallTree::none;
    std::vector<Open> open;
    for (quint32 call = m_top + 1; call-- > m_begin;) {
        const quint32 parent = m_tree.parent(call);
        while (!open.empty() && open.back().call != parent) {
            if (open.back().row != noRow)
                --rows[open.back().row].open;
            open.pop_back();
        }
        if (m_tree.source(call) != CallTree::none) {
            Line &line = rows[rowOf(m_tree.source(call), m_tree.line(call))].costs;
            line.selfBits = Cost::addBits(line.selfBits, m_tree.selfBits(m_event, call), isSigned);
        }
        // A line of 0 is one the profile did not give.
        quint32 site = noRow;
        if (call != m_top && m_tree.callSiteLine(call) != 0 && m_tree.source(parent) != CallTree::none) {
            site = rowOf(m_tree.source(parent), m_tree.callSiteLine(call));
            Row &row = rows[site];
            ++row.costs.calls;
            if (row.open == 0)
                row.costs.inclusiveBits
                    = Cost::addBits(row.costs.inclusiveBits, m_tree.inclusiveBits(m_event, call), isSigned);
            ++row.open;
        }
        open.push_back({ call, site });
    }

    std::sort(rows.begin(), rows.end(), [](const Row &left, const Row &right) { return left.key < right.key; });
    for (const Row &row : rows) {
        if (row.costs.selfBits == 0 && row.costs.calls == 0)
            continue;
        const quint32 source = quint32(row.key >> 32);
        if (m_sources.empty() || m_sources.back() != source) {
            m_sources.push_back(source);
            m_firstLine.push_back(m_lines.size());
        }
        m_lines.push_back(row.costs);
    }
}

std::span<const LineCosts::Line> LineCosts::lines(quint32 source) const
{
    const auto found = std::lower_bound(m_sources.begin(), m_sources.end(), source);
    if (found == m_sources.end() || *found != source)
        return {};
    const size_t index = size_t(found - m_sources.begin());
    const size_t end = index + 1 < m_sources.size() ? m_firstLine[index + 1] : m_lines.size();
    return std::span<const Line>(m_lines).subspan(m_firstLine[index], end - m_firstLine[index]);
}

quint64 LineCosts::selfBits(quint32 source) const
{
    quint64 total = 0;
    for (const Line &line : lines(source))
        total = Cost::addBits(total, line.selfBits, m_tree.isSigned(m_event));
    return total;
}

std::vector<LineCosts::Callee> LineCosts::callees(quint32 source, quint32 line) const
{
    std::vector<Callee> callees;
    if (m_top == CallTree::none || line == 0)
        return callees;
    // Every call before the top of the subtree was made within it.
    for (quint32 call = m_begin; call < m_top; ++call) {
        if (m_tree.callSiteLine(call) != line || m_tree.source(m_tree.parent(call)) != source)
            continue;
        const quint32 function = m_tree.function(call);
        const auto found = std::find_if(
            callees.begin(), callees.end(), [&](const Callee &callee) { return callee.function == function; });
        if (found == callees.end())
            callees.push_back({ function, 1 });
        else
            ++found->calls;
    }
    return callees;
}
