#pragma once

#include "Cost.h"

#include <QtGlobal>

#include <algorithm>
#include <vector>

// How the children of a call are listed: in the order of their first
// call, or the heaviest first, by their inclusive cost of an event, ties
// in the order of their first call.
enum class ChildOrder { CallOrder, HeaviestFirst };

// The children of `node` in `order`, for the tree of recorded calls
// (CallTree) and that of call paths (MergedCallTree) alike: both keep
// children in the order of their first call.
template <typename Tree>
std::vector<quint32> orderedChildren(const Tree &tree, quint32 node, ChildOrder order, int event)
{
    std::vector<quint32> children(tree.childCount(node));
    for (quint32 i = 0; i < quint32(children.size()); ++i)
        children[i] = tree.child(node, i);
    if (order == ChildOrder::HeaviestFirst) {
        const bool isSigned = tree.isSigned(event);
        std::stable_sort(children.begin(), children.end(), [&](quint32 a, quint32 b) {
            return Cost::fromBits(tree.inclusiveBits(event, a), isSigned)
                > Cost::fromBits(tree.inclusiveBits(event, b), isSigned);
        });
    }
    return children;
}
