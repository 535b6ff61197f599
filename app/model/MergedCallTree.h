#pragma once

#include "Cost.h"

#include <QtGlobal>

#include <vector>

// The call paths of a profile: each distinct path of function ids from the
// root down once, with the number of calls made along it and, per event,
// the totals of their self and inclusive costs. Merged from the recorded
// calls (CallTreeMerger), or made by any other source that knows paths and
// their figures. Its size follows the number of distinct paths, not of
// calls.
//
// Built through addPath() and the add...() calls, then finish() numbers
// the paths in pre-order, so that every path's subtree is the run of
// numbers from the path up to subtreeEnd(); read-only afterwards.
class MergedCallTree
{
public:
    static constexpr quint32 none = 0xffffffff;
    // Path numbers must stay below `none`.
    static constexpr quint64 maxPaths = none - 1;

    MergedCallTree() = default;
    explicit MergedCallTree(const std::vector<bool> &signedEvents);

    // Building: the path of `parent` followed by `function` (the root, made
    // first and once, with `parent` none), its figures 0 until added to.
    // The numbers answered here change at finish(). Throws
    // std::length_error past maxPaths.
    quint32 addPath(quint32 parent, quint32 function);
    void addCalls(quint32 path, quint64 calls) { m_calls[path] += calls; }
    void addSelfBits(int event, quint32 path, quint64 bits)
    {
        quint64 &total = m_self[size_t(event)][path];
        total = Cost::addBits(total, bits, m_signed[size_t(event)]);
    }
    void addInclusiveBits(int event, quint32 path, quint64 bits)
    {
        quint64 &total = m_inclusive[size_t(event)][path];
        total = Cost::addBits(total, bits, m_signed[size_t(event)]);
    }
    // For paths merged from recorded calls: the number of the path's
    // first call.
    void setFirstCall(quint32 path, quint32 call) { m_firstCall[path] = call; }
    // For paths estimated from a function graph: the graph's function the
    // path ends in (a FunctionGraph node). none for a synthetic root, and
    // for a path below the root that stands for calls left out of the
    // estimate, taken together.
    void setNode(quint32 path, quint32 node);
    // Numbers the paths in pre-order, children in the order of their first
    // calls, those without one in the order they were added, after.
    void finish();

    quint32 size() const { return quint32(m_function.size()); }
    int eventCount() const { return int(m_self.size()); }
    bool isSigned(int event) const { return m_signed[size_t(event)]; }
    // Path 0, or none for an empty tree.
    quint32 root() const { return m_function.empty() ? none : 0; }

    quint32 function(quint32 path) const { return m_function[path]; }
    quint32 parent(quint32 path) const { return m_parent[path]; }
    // The root is at depth 0.
    quint32 depth(quint32 path) const { return m_depth[path]; }
    quint32 childCount(quint32 path) const { return m_childBegin[path + 1] - m_childBegin[path]; }
    quint32 child(quint32 path, quint32 index) const { return m_children[m_childBegin[path] + index]; }
    // The first number after the path's subtree.
    quint32 subtreeEnd(quint32 path) const { return m_subtreeEnd[path]; }
    // The child whose function is `function`, or none.
    quint32 childWithFunction(quint32 path, quint32 function) const;

    quint64 calls(quint32 path) const { return m_calls[path]; }
    // The number of the first call along the path in the tree it was
    // merged from; none when it was made otherwise.
    quint32 firstCall(quint32 path) const { return m_firstCall[path]; }
    quint32 node(quint32 path) const { return m_node.empty() ? none : m_node[path]; }
    quint64 selfBits(int event, quint32 path) const { return m_self[size_t(event)][path]; }
    quint64 inclusiveBits(int event, quint32 path) const { return m_inclusive[size_t(event)][path]; }
    Cost selfCost(int event, quint32 path) const { return Cost::fromBits(selfBits(event, path), isSigned(event)); }
    Cost inclusiveCost(int event, quint32 path) const
    {
        return Cost::fromBits(inclusiveBits(event, path), isSigned(event));
    }
    // Per call, rounded towards zero.
    Cost averageSelfCost(int event, quint32 path) const { return selfCost(event, path).dividedBy(calls(path)); }
    Cost averageInclusiveCost(int event, quint32 path) const
    {
        return inclusiveCost(event, path).dividedBy(calls(path));
    }

    qint64 memoryUse() const;

private:
    void linkChildren();
    void numberInPreOrder();

    std::vector<quint32> m_function;
    std::vector<quint32> m_parent;
    std::vector<quint32> m_depth;
    std::vector<quint32> m_subtreeEnd;
    // Children of path p: m_children[m_childBegin[p]] up to
    // m_childBegin[p + 1].
    std::vector<quint32> m_childBegin;
    std::vector<quint32> m_children;
    std::vector<quint64> m_calls;
    std::vector<quint32> m_firstCall;
    // Empty unless set.
    std::vector<quint32> m_node;
    std::vector<std::vector<quint64>> m_self;
    std::vector<std::vector<quint64>> m_inclusive;
    std::vector<bool> m_signed;
};
