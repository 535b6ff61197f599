#pragma once

#include "ChildOrder.h"
#include "Cost.h"

#include <QtGlobal>

#include <cmath>
#include <vector>

// Hides the calls that cost little next to a chosen root, in the tree of
// recorded calls (CallTree) or that of call paths (MergedCallTree): a child
// whose inclusive cost of an event is, in magnitude, below a share of the
// root's. What a parent's hidden children add up to is kept together, so
// that a view can show it as one row ("N more calls") and the parent's
// figures still add up.
template <typename Tree> class SmallCallFilter
{
public:
    // The hidden children of one parent, taken together.
    struct Hidden
    {
        quint32 children = 0;
        // The calls they stand for: one per recorded call, the calls along
        // each call path.
        quint64 calls = 0;
        // Per event.
        std::vector<quint64> selfBits;
        std::vector<quint64> inclusiveBits;
    };
    struct Children
    {
        std::vector<quint32> shown;
        Hidden hidden;
    };

    // A share of 0 hides nothing.
    SmallCallFilter(const Tree &tree, quint32 root, int event, double share)
        : m_tree(&tree)
        , m_event(event)
        , m_limit(share * magnitude(root))
    { }

    // The children of `node` that are shown, in `order`, and what the rest
    // add up to. `keep`, a child on the way to a node a view goes to, is
    // shown whatever its cost.
    Children children(quint32 node, ChildOrder order, quint32 keep = Tree::none) const
    {
        Children result;
        const int eventCount = m_tree->eventCount();
        result.hidden.selfBits.assign(size_t(eventCount), 0);
        result.hidden.inclusiveBits.assign(size_t(eventCount), 0);
        for (const quint32 child : orderedChildren(*m_tree, node, order, m_event)) {
            if (child == keep || !hides(child)) {
                result.shown.push_back(child);
                continue;
            }
            Hidden &hidden = result.hidden;
            ++hidden.children;
            if constexpr (requires { m_tree->calls(child); })
                hidden.calls += m_tree->calls(child);
            else
                ++hidden.calls;
            for (int event = 0; event < eventCount; ++event) {
                const bool isSigned = m_tree->isSigned(event);
                quint64 &self = hidden.selfBits[size_t(event)];
                self = Cost::addBits(self, m_tree->selfBits(event, child), isSigned);
                quint64 &inclusive = hidden.inclusiveBits[size_t(event)];
                inclusive = Cost::addBits(inclusive, m_tree->inclusiveBits(event, child), isSigned);
            }
        }
        return result;
    }

    // Whether `node` is one of the children hidden, unless kept.
    bool hides(quint32 node) const { return magnitude(node) < m_limit; }

private:
    double magnitude(quint32 node) const
    {
        const quint64 bits = m_tree->inclusiveBits(m_event, node);
        return m_tree->isSigned(m_event) ? std::abs(double(qint64(bits))) : double(bits);
    }

    // A pointer, so that a filter can be assigned.
    const Tree *m_tree;
    int m_event;
    double m_limit;
};
