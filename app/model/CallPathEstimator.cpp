#include "CallPathEstimator.h"

#include "FunctionGraph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

namespace {

double valueOf(quint64 bits, bool isSigned)
{
    return isSigned ? double(qint64(bits)) : double(bits);
}

// A figure times a share, rounded towards zero, in the stored form.
quint64 scaled(double share, quint64 bits, bool isSigned)
{
    const double value = share * valueOf(bits, isSigned);
    if (isSigned) {
        constexpr double limit = 9.2e18;
        return quint64(qint64(std::clamp(value, -limit, limit)));
    }
    if (!(value > 0))
        return 0;
    return value >= 1.8e19 ? std::numeric_limits<quint64>::max() : quint64(value);
}

// What is left of `total` after `part`, saturating (at 0 for counts that
// cannot run backwards).
quint64 lessBits(quint64 total, quint64 part, bool isSigned)
{
    if (!isSigned)
        return part > total ? 0 : total - part;
    qint64 left;
    if (!qSubOverflow(qint64(total), qint64(part), &left))
        return quint64(left);
    return quint64(qint64(part) < 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min());
}

class Expansion
{
public:
    Expansion(const FunctionGraph &graph, int event, quint32 moreCallsFunction, const CallPathEstimator::Limits &limits)
        : m_graph(graph)
        , m_event(event)
        , m_moreCalls(moreCallsFunction)
        , m_limits(limits)
        , m_slot(graph.size(), FunctionGraph::none)
    {
        std::vector<bool> signedEvents;
        for (int e = 0; e < graph.eventCount(); ++e)
            signedEvents.push_back(graph.isSigned(e));
        m_paths = MergedCallTree(signedEvents);
    }

    MergedCallTree run(quint32 rootFunction)
    {
        std::vector<quint32> tops;
        for (quint32 node = 0; node < m_graph.size(); ++node) {
            if (m_graph.isTop(node))
                tops.push_back(node);
        }
        if (tops.empty()) {
            m_paths.finish();
            return std::move(m_paths);
        }
        // One function nobody calls is the root itself.
        const quint32 rootNode = tops.size() == 1 ? tops.front() : FunctionGraph::none;
        const quint32 root = m_paths.addPath(
            MergedCallTree::none, rootNode == FunctionGraph::none ? rootFunction : m_graph.function(rootNode));
        m_paths.setNode(root, rootNode);
        m_paths.addCalls(root, 1);
        for (int e = 0; e < m_graph.eventCount(); ++e)
            m_paths.addInclusiveBits(e, root,
                rootNode == FunctionGraph::none ? m_graph.rootInclusiveBits(e) : m_graph.inclusiveBits(e, rootNode));
        m_rootMagnitude = std::abs(valueOf(m_paths.inclusiveBits(m_event, root), m_graph.isSigned(m_event)));
        m_tops = std::move(tops);
        m_pending.push({ 1.0, root });
        while (!m_pending.empty()) {
            const quint32 path = m_pending.top().path;
            m_pending.pop();
            expand(path);
        }
        m_paths.finish();
        return std::move(m_paths);
    }

private:
    struct Pending
    {
        double share;
        quint32 path;
        // Heaviest first; ties in the order the paths were made.
        bool operator<(const Pending &other) const
        {
            return share < other.share || (share == other.share && path > other.path);
        }
    };

    // Whether `node` ends a path above `path`, or `path` itself: only
    // functions of one recursion cycle can, and those are the end of the path.
    bool isOnPath(quint32 path, quint32 node) const
    {
        const quint32 component = m_graph.component(node);
        for (; path != MergedCallTree::none; path = m_paths.parent(path)) {
            const quint32 above = m_paths.node(path);
            if (above == FunctionGraph::none || m_graph.component(above) != component)
                return false;
            if (above == node)
                return true;
        }
        return false;
    }

    // A callee of the path, its calls and its inclusive cost of each event;
    // several edges into one function make one callee.
    template <typename CostOf> void addCallee(quint32 node, quint64 calls, const CostOf &cost)
    {
        const int events = m_graph.eventCount();
        quint32 &slot = m_slot[node];
        if (slot == FunctionGraph::none) {
            slot = quint32(m_callees.size());
            m_callees.push_back({ node, 0 });
            m_calleeCosts.resize(m_calleeCosts.size() + size_t(events), 0);
        }
        m_callees[slot].calls = Cost::addBits(m_callees[slot].calls, calls, false);
        for (int e = 0; e < events; ++e) {
            quint64 &total = m_calleeCosts[size_t(slot) * size_t(events) + size_t(e)];
            total = Cost::addBits(total, cost(e), m_graph.isSigned(e));
        }
    }

    void expand(quint32 path);

    const FunctionGraph &m_graph;
    const int m_event;
    const quint32 m_moreCalls;
    const CallPathEstimator::Limits m_limits;
    MergedCallTree m_paths;
    double m_rootMagnitude = 0;
    std::vector<quint32> m_tops;
    std::priority_queue<Pending> m_pending;
    // Per graph node, its place among the callees being gathered.
    std::vector<quint32> m_slot;
    struct Callee
    {
        quint32 node;
        quint64 calls;
    };
    std::vector<Callee> m_callees;
    // Per callee, per event.
    std::vector<quint64> m_calleeCosts;
};

void Expansion::expand(quint32 path)
{
    const int events = m_graph.eventCount();
    const quint32 node = m_paths.node(path);
    m_callees.clear();
    m_calleeCosts.clear();
    if (node == FunctionGraph::none) {
        for (const quint32 top : m_tops)
            addCallee(top, 1, [&](int e) { return m_graph.inclusiveBits(e, top); });
    } else {
        for (quint32 i = 0; i < m_graph.calleeEdgeCount(node); ++i) {
            const quint32 edge = m_graph.calleeEdge(node, i);
            const quint32 callee = m_graph.callee(edge);
            if (!isOnPath(path, callee))
                addCallee(callee, m_graph.edgeCalls(edge), [&](int e) { return m_graph.edgeInclusiveBits(e, edge); });
        }
    }
    for (const Callee &callee : m_callees)
        m_slot[callee.node] = FunctionGraph::none;

    // Each event's inclusive cost shared among the function's own cost and
    // its callees: the path's part of what the function did.
    std::vector<double> shares(size_t(events), 0.0);
    std::vector<quint64> left(size_t(events), 0);
    for (int e = 0; e < events; ++e) {
        const bool isSigned = m_graph.isSigned(e);
        double whole = node == FunctionGraph::none ? 0.0 : valueOf(m_graph.selfBits(e, node), isSigned);
        for (size_t callee = 0; callee < m_callees.size(); ++callee)
            whole += valueOf(m_calleeCosts[callee * size_t(events) + size_t(e)], isSigned);
        left[size_t(e)] = m_paths.inclusiveBits(e, path);
        if (whole != 0)
            shares[size_t(e)] = valueOf(left[size_t(e)], isSigned) / whole;
    }
    // Calls follow the time event's share, or the path's part of the
    // function's calls when it costs nothing.
    double callShare = shares[size_t(m_event)];
    if (callShare == 0 && node != FunctionGraph::none && m_graph.calls(node) > 0)
        callShare = double(m_paths.calls(path)) / double(m_graph.calls(node));
    else if (node == FunctionGraph::none)
        callShare = 1;

    quint32 moreCallees = 0;
    quint64 moreCalls = 0;
    std::vector<quint64> moreCosts(size_t(events), 0);
    std::vector<quint64> costs(size_t(events), 0);
    for (size_t callee = 0; callee < m_callees.size(); ++callee) {
        for (int e = 0; e < events; ++e) {
            const bool isSigned = m_graph.isSigned(e);
            costs[size_t(e)] = scaled(shares[size_t(e)], m_calleeCosts[callee * size_t(events) + size_t(e)], isSigned);
            left[size_t(e)] = lessBits(left[size_t(e)], costs[size_t(e)], isSigned);
        }
        const quint64 edgeCalls = m_callees[callee].calls;
        const quint64 calls = edgeCalls == 0
            ? 0
            : qMax<quint64>(1, quint64(std::llround(std::min(callShare * double(edgeCalls), 9e18))));
        const double magnitude = std::abs(valueOf(costs[size_t(m_event)], m_graph.isSigned(m_event)));
        const double share = m_rootMagnitude > 0 ? magnitude / m_rootMagnitude : 1.0;
        if (share < m_limits.negligibleShare || m_paths.size() >= m_limits.paths) {
            ++moreCallees;
            moreCalls = Cost::addBits(moreCalls, calls, false);
            for (int e = 0; e < events; ++e)
                moreCosts[size_t(e)] = Cost::addBits(moreCosts[size_t(e)], costs[size_t(e)], m_graph.isSigned(e));
            continue;
        }
        const quint32 child = m_paths.addPath(path, m_graph.function(m_callees[callee].node));
        m_paths.setNode(child, m_callees[callee].node);
        m_paths.addCalls(child, calls);
        for (int e = 0; e < events; ++e)
            m_paths.addInclusiveBits(e, child, costs[size_t(e)]);
        m_pending.push({ share, child });
    }
    if (moreCallees > 0) {
        const quint32 more = m_paths.addPath(path, m_moreCalls);
        m_paths.setNode(more, FunctionGraph::none);
        m_paths.addCalls(more, moreCalls);
        for (int e = 0; e < events; ++e) {
            m_paths.addInclusiveBits(e, more, moreCosts[size_t(e)]);
            m_paths.addSelfBits(e, more, moreCosts[size_t(e)]);
        }
    }
    for (int e = 0; e < events; ++e)
        m_paths.addSelfBits(e, path, left[size_t(e)]);
}

} // namespace

MergedCallTree CallPathEstimator::estimate(
    const FunctionGraph &graph, int event, quint32 rootFunction, quint32 moreCallsFunction, const Limits &limits)
{
    return Expansion(graph, event, moreCallsFunction, limits).run(rootFunction);
}
