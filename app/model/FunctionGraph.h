#pragma once

#include "Cost.h"
#include "NameTable.h"

#include <QHash>
#include <QtGlobal>

#include <vector>

// The functions of a profile written as a graph, one record per function
// with its calls counted, as valgrind's callgrind and aggregating exporters
// write it: per function (name, file, object) its self cost of each event;
// per call edge (caller, callee, call-site line) the number of calls and
// their inclusive cost.
//
// Built by the reader, then finish() works out what a summary needs: the
// calls each function received and its inclusive cost. An edge's inclusive
// cost already holds every call nested below it, recursive ones too, so a
// function's inclusive cost is its self cost and the inclusive costs of its
// calls into other strongly connected components of the graph: calls that
// stay within the function's own recursion cycle are left out, as what they
// cost is inside the self costs and outgoing calls already counted. The
// functions no other function calls (outside their own cycle) are the
// callees of a synthetic root, which calls each of them once. Read-only
// after finish().
class FunctionGraph
{
public:
    static constexpr quint32 none = 0xffffffff;
    // Functions and edges are numbered below `none`.
    static constexpr quint64 maxItems = none - 1;

    FunctionGraph() = default;
    explicit FunctionGraph(const std::vector<bool> &signedEvents);

    // Building. The function of a name and a source path (the profile's
    // ids) in an object (objectNames(), or none), added on first use;
    // std::length_error past maxItems.
    quint32 node(quint32 function, quint32 source, quint32 object);
    // The function's own record was read; `line` is where its costs begin.
    void setRecorded(quint32 node, quint32 line);
    void addSelfBits(int event, quint32 node, quint64 bits)
    {
        quint64 &total = m_self[size_t(event)][node];
        total = Cost::addBits(total, bits, m_signed[size_t(event)]);
    }
    // The calls from `caller` to `callee` made at `line`, added on first use.
    quint32 edge(quint32 caller, quint32 callee, quint32 line);
    void addCalls(quint32 edge, quint64 calls);
    void addInclusiveBits(int event, quint32 edge, quint64 bits)
    {
        quint64 &total = m_edgeInclusive[size_t(event)][edge];
        total = Cost::addBits(total, bits, m_signed[size_t(event)]);
    }
    quint32 internObject(std::string_view name) { return m_objectNames.intern(name); }
    // A callee named only on call lines, whose name and object no other
    // function shares, becomes the function of that name whose record was
    // read (a writer may leave out or misspell the callee's file); then the
    // figures are worked out.
    void finish();

    quint32 size() const { return quint32(m_function.size()); }
    int eventCount() const { return int(m_self.size()); }
    bool isSigned(int event) const { return m_signed[size_t(event)]; }
    const NameTable &objectNames() const { return m_objectNames; }

    quint32 function(quint32 node) const { return m_function[node]; }
    quint32 source(quint32 node) const { return m_source[node]; }
    quint32 object(quint32 node) const { return m_object[node]; }
    // The line of the function's first cost, 0 when unknown.
    quint32 line(quint32 node) const { return m_line[node]; }
    // Neither it nor any function of its recursion cycle is called from
    // outside the cycle: a callee of the synthetic root.
    bool isTop(quint32 node) const { return m_top[node]; }
    // The strongly connected component: functions that call each other,
    // directly or not, share one.
    quint32 component(quint32 node) const { return m_component[node]; }
    // Calls received, one from the synthetic root for a top function.
    quint64 calls(quint32 node) const { return m_calls[node]; }
    quint64 selfBits(int event, quint32 node) const { return m_self[size_t(event)][node]; }
    quint64 inclusiveBits(int event, quint32 node) const { return m_inclusive[size_t(event)][node]; }
    Cost selfCost(int event, quint32 node) const { return Cost::fromBits(selfBits(event, node), isSigned(event)); }
    Cost inclusiveCost(int event, quint32 node) const
    {
        return Cost::fromBits(inclusiveBits(event, node), isSigned(event));
    }
    // The synthetic root's inclusive cost: that of every top function.
    quint64 rootInclusiveBits(int event) const { return m_rootInclusive[size_t(event)]; }

    quint32 edgeCount() const { return quint32(m_caller.size()); }
    quint32 caller(quint32 edge) const { return m_caller[edge]; }
    quint32 callee(quint32 edge) const { return m_callee[edge]; }
    quint32 edgeLine(quint32 edge) const { return m_edgeLine[edge]; }
    quint64 edgeCalls(quint32 edge) const { return m_edgeCalls[edge]; }
    quint64 edgeInclusiveBits(int event, quint32 edge) const { return m_edgeInclusive[size_t(event)][edge]; }
    // Whether the edge stays within a recursion cycle.
    bool isRecursive(quint32 edge) const { return m_component[m_caller[edge]] == m_component[m_callee[edge]]; }
    // A function's outgoing edges in the order the file lists them, and its
    // incoming ones: its exact callers.
    quint32 calleeEdgeCount(quint32 node) const { return m_calleeBegin[node + 1] - m_calleeBegin[node]; }
    quint32 calleeEdge(quint32 node, quint32 index) const { return m_calleeEdges[m_calleeBegin[node] + index]; }
    quint32 callerEdgeCount(quint32 node) const { return m_callerBegin[node + 1] - m_callerBegin[node]; }
    quint32 callerEdge(quint32 node, quint32 index) const { return m_callerEdges[m_callerBegin[node] + index]; }

    qint64 memoryUse() const;

private:
    struct NodeKey
    {
        quint32 function;
        quint32 source;
        quint32 object;
        bool operator==(const NodeKey &) const = default;
    };
    struct EdgeKey
    {
        quint32 caller;
        quint32 callee;
        quint32 line;
        bool operator==(const EdgeKey &) const = default;
    };
    friend size_t qHash(const NodeKey &key, size_t seed)
    {
        return qHashMulti(seed, key.function, key.source, key.object);
    }
    friend size_t qHash(const EdgeKey &key, size_t seed) { return qHashMulti(seed, key.caller, key.callee, key.line); }

    void mergeUnrecordedCallees();
    void linkEdges();
    void findComponents();
    void addTotals();

    std::vector<quint32> m_function;
    std::vector<quint32> m_source;
    std::vector<quint32> m_object;
    std::vector<quint32> m_line;
    std::vector<bool> m_recorded;
    std::vector<bool> m_top;
    std::vector<quint32> m_component;
    std::vector<quint64> m_calls;
    // Per event, per node.
    std::vector<std::vector<quint64>> m_self;
    std::vector<std::vector<quint64>> m_inclusive;
    std::vector<quint64> m_rootInclusive;

    std::vector<quint32> m_caller;
    std::vector<quint32> m_callee;
    std::vector<quint32> m_edgeLine;
    std::vector<quint64> m_edgeCalls;
    std::vector<std::vector<quint64>> m_edgeInclusive;
    // Node n's outgoing edges are m_calleeEdges[m_calleeBegin[n]] up to
    // m_calleeBegin[n + 1]; its incoming ones alike.
    std::vector<quint32> m_calleeBegin;
    std::vector<quint32> m_calleeEdges;
    std::vector<quint32> m_callerBegin;
    std::vector<quint32> m_callerEdges;

    std::vector<bool> m_signed;
    NameTable m_objectNames;
    // While building only.
    QHash<NodeKey, quint32> m_nodes;
    QHash<EdgeKey, quint32> m_edges;
};
