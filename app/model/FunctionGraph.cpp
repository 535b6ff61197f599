#include "FunctionGraph.h"

#include <algorithm>
#include <stdexcept>

FunctionGraph::FunctionGraph(const std::vector<bool> &signedEvents)
    : m_self(signedEvents.size())
    , m_rootInclusive(signedEvents.size(), 0)
    , m_edgeInclusive(signedEvents.size())
    , m_signed(signedEvents)
{ }

quint32 FunctionGraph::node(quint32 function, quint32 source, quint32 object)
{
    // Numbered from 1 in the index, so that 0 is a function not added yet.
    quint32 &found = m_nodes[NodeKey { function, source, object }];
    if (found != 0)
        return found - 1;
    if (m_function.size() + m_caller.size() >= maxItems) {
        m_nodes.remove(NodeKey { function, source, object });
        throw std::length_error("too many functions");
    }
    found = size() + 1;
    m_function.push_back(function);
    m_source.push_back(source);
    m_object.push_back(object);
    m_line.push_back(0);
    m_recorded.push_back(false);
    for (std::vector<quint64> &costs : m_self)
        costs.push_back(0);
    return size() - 1;
}

void FunctionGraph::setRecorded(quint32 node, quint32 line)
{
    if (m_line[node] == 0)
        m_line[node] = line;
    m_recorded[node] = true;
}

quint32 FunctionGraph::edge(quint32 caller, quint32 callee, quint32 line)
{
    quint32 &found = m_edges[EdgeKey { caller, callee, line }];
    if (found != 0)
        return found - 1;
    if (m_function.size() + m_caller.size() >= maxItems) {
        m_edges.remove(EdgeKey { caller, callee, line });
        throw std::length_error("too many calls");
    }
    found = edgeCount() + 1;
    m_caller.push_back(caller);
    m_callee.push_back(callee);
    m_edgeLine.push_back(line);
    m_edgeCalls.push_back(0);
    for (std::vector<quint64> &costs : m_edgeInclusive)
        costs.push_back(0);
    return edgeCount() - 1;
}

void FunctionGraph::addCalls(quint32 edge, quint64 calls)
{
    quint64 &total = m_edgeCalls[edge];
    total = Cost::addBits(total, calls, false);
}

void FunctionGraph::finish()
{
    mergeUnrecordedCallees();
    m_nodes = {};
    m_edges = {};
    m_objectNames.releaseIndex();
    linkEdges();
    findComponents();
    addTotals();
}

void FunctionGraph::mergeUnrecordedCallees()
{
    // The recorded functions of each name and object: the one, or none
    // when there are several.
    QHash<quint64, quint32> recorded;
    for (quint32 node = 0; node < size(); ++node) {
        if (!m_recorded[node])
            continue;
        // Numbered from 1, so that 0 is a name not met yet.
        quint32 &found = recorded[quint64(m_function[node]) << 32 | m_object[node]];
        found = found == 0 ? node + 1 : none;
    }
    std::vector<quint32> target(size());
    bool merging = false;
    for (quint32 node = 0; node < size(); ++node) {
        target[node] = node;
        if (m_recorded[node])
            continue;
        const quint32 match = recorded.value(quint64(m_function[node]) << 32 | m_object[node], none);
        if (match != none && match != 0) {
            target[node] = match - 1;
            merging = true;
        }
    }
    if (!merging)
        return;

    // The functions that stay, numbered anew in their order.
    std::vector<quint32> number(size(), none);
    quint32 kept = 0;
    for (quint32 node = 0; node < size(); ++node) {
        if (target[node] == node)
            number[node] = kept++;
    }
    // Only recorded functions have costs of their own.
    const quint32 before = size();
    const auto keep = [&](auto &values) {
        for (quint32 node = 0; node < before; ++node) {
            if (number[node] != none)
                values[number[node]] = values[node];
        }
        values.resize(kept);
    };
    keep(m_function);
    keep(m_source);
    keep(m_object);
    keep(m_line);
    keep(m_recorded);
    for (std::vector<quint64> &costs : m_self)
        keep(costs);

    // Edges that now join the same functions at the same line become one,
    // in the order of the first.
    std::vector<quint32> callers, callees, lines;
    std::vector<quint64> calls;
    std::vector<std::vector<quint64>> inclusive(m_edgeInclusive.size());
    QHash<EdgeKey, quint32> edges;
    for (quint32 edge = 0; edge < edgeCount(); ++edge) {
        const EdgeKey key { number[target[m_caller[edge]]], number[target[m_callee[edge]]], m_edgeLine[edge] };
        quint32 &number = edges[key];
        if (number == 0) {
            number = quint32(callers.size()) + 1;
            callers.push_back(key.caller);
            callees.push_back(key.callee);
            lines.push_back(key.line);
            calls.push_back(0);
            for (std::vector<quint64> &costs : inclusive)
                costs.push_back(0);
        }
        const quint32 found = number - 1;
        calls[found] = Cost::addBits(calls[found], m_edgeCalls[edge], false);
        for (size_t event = 0; event < inclusive.size(); ++event)
            inclusive[event][found]
                = Cost::addBits(inclusive[event][found], m_edgeInclusive[event][edge], m_signed[event]);
    }
    m_caller = std::move(callers);
    m_callee = std::move(callees);
    m_edgeLine = std::move(lines);
    m_edgeCalls = std::move(calls);
    m_edgeInclusive = std::move(inclusive);
}

void FunctionGraph::linkEdges()
{
    // Counting sorts by caller and by callee, each keeping the file's order.
    const auto link = [&](const std::vector<quint32> &ends, std::vector<quint32> &begin, std::vector<quint32> &edges) {
        begin.assign(size_t(size()) + 1, 0);
        for (const quint32 node : ends)
            ++begin[node + 1];
        for (quint32 node = 0; node < size(); ++node)
            begin[node + 1] += begin[node];
        edges.resize(ends.size());
        std::vector<quint32> next(begin.begin(), begin.end() - 1);
        for (quint32 edge = 0; edge < edgeCount(); ++edge)
            edges[next[ends[edge]]++] = edge;
    };
    link(m_caller, m_calleeBegin, m_calleeEdges);
    link(m_callee, m_callerBegin, m_callerEdges);
}

void FunctionGraph::findComponents()
{
    // Tarjan's algorithm with a stack of its own: a graph can be as deep as
    // it has functions.
    const quint32 count = size();
    std::vector<quint32> order(count, none);
    std::vector<quint32> low(count, 0);
    std::vector<bool> open(count, false);
    std::vector<quint32> opened;
    struct Frame
    {
        quint32 node;
        quint32 next;
    };
    std::vector<Frame> frames;
    m_component.assign(count, none);
    quint32 visited = 0;
    quint32 components = 0;
    const auto visit = [&](quint32 node) {
        order[node] = low[node] = visited++;
        open[node] = true;
        opened.push_back(node);
        frames.push_back({ node, 0 });
    };
    for (quint32 start = 0; start < count; ++start) {
        if (order[start] != none)
            continue;
        visit(start);
        while (!frames.empty()) {
            Frame &frame = frames.back();
            const quint32 node = frame.node;
            if (frame.next < calleeEdgeCount(node)) {
                const quint32 callee = m_callee[calleeEdge(node, frame.next++)];
                if (order[callee] == none)
                    visit(callee);
                else if (open[callee])
                    low[node] = std::min(low[node], order[callee]);
                continue;
            }
            frames.pop_back();
            if (!frames.empty())
                low[frames.back().node] = std::min(low[frames.back().node], low[node]);
            if (low[node] != order[node])
                continue;
            quint32 member;
            do {
                member = opened.back();
                opened.pop_back();
                open[member] = false;
                m_component[member] = components;
            } while (member != node);
            ++components;
        }
    }
}

void FunctionGraph::addTotals()
{
    const quint32 count = size();
    m_calls.assign(count, 0);
    // The functions of a cycle that no function outside it calls are top
    // functions.
    std::vector<bool> called(count, false);
    for (quint32 edge = 0; edge < edgeCount(); ++edge) {
        const quint32 callee = m_callee[edge];
        m_calls[callee] = Cost::addBits(m_calls[callee], m_edgeCalls[edge], false);
        if (!isRecursive(edge))
            called[m_component[callee]] = true;
    }
    m_top.assign(count, false);
    for (quint32 node = 0; node < count; ++node) {
        if (called[m_component[node]])
            continue;
        m_top[node] = true;
        m_calls[node] = Cost::addBits(m_calls[node], 1, false);
    }
    m_inclusive = m_self;
    for (size_t event = 0; event < m_self.size(); ++event) {
        const bool isSigned = m_signed[event];
        std::vector<quint64> &inclusive = m_inclusive[event];
        for (quint32 edge = 0; edge < edgeCount(); ++edge) {
            if (!isRecursive(edge))
                inclusive[m_caller[edge]]
                    = Cost::addBits(inclusive[m_caller[edge]], m_edgeInclusive[event][edge], isSigned);
        }
        quint64 &root = m_rootInclusive[event];
        root = 0;
        for (quint32 node = 0; node < count; ++node) {
            if (m_top[node])
                root = Cost::addBits(root, inclusive[node], isSigned);
        }
    }
}

qint64 FunctionGraph::memoryUse() const
{
    qint64 bytes = m_objectNames.memoryUse() + qint64(m_nodes.capacity() + m_edges.capacity()) * 24;
    for (const auto *list : { &m_function, &m_source, &m_object, &m_line, &m_component, &m_caller, &m_callee,
             &m_edgeLine, &m_calleeBegin, &m_calleeEdges, &m_callerBegin, &m_callerEdges })
        bytes += qint64(list->capacity() * sizeof(quint32));
    bytes += qint64((m_calls.capacity() + m_edgeCalls.capacity()) * sizeof(quint64));
    for (const auto *costs : { &m_self, &m_inclusive, &m_edgeInclusive }) {
        for (const std::vector<quint64> &list : *costs)
            bytes += qint64(list.capacity() * sizeof(quint64));
    }
    return bytes;
}
