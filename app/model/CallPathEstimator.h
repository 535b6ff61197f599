#pragma once

#include "MergedCallTree.h"

#include <QtGlobal>

class FunctionGraph;

// Estimates the call paths of a profile written as a function graph, which
// records how often each function called each other and at what cost, but
// not along which paths: a MergedCallTree whose paths have no first calls
// and know their graph function (MergedCallTree::node()).
//
// The tree is expanded from the functions nobody calls (under a synthetic
// root when there are several). A path's inclusive cost is shared among
// its own cost and its callees in proportion to the function's self cost
// and the inclusive costs of its call edges, each event on its own, so
// that a callee's cost is shared among its callers in proportion to what
// their calls cost; the number of calls follows the share of the profile's
// time event. A path is cut where it would repeat a function already on
// it: what the recursion costs is inside the shares of the path's other
// parts. The heaviest paths are expanded first; callees below a negligible
// share, and all callees once a budget of paths is spent, are taken
// together into one path of the function `moreCallsFunction`, whose graph
// node is none, so that every path's figures still add up: self plus the
// children's inclusive costs is the path's inclusive cost.
class CallPathEstimator
{
public:
    struct Limits
    {
        // A callee below this share of the root's inclusive cost of the
        // time event is not a path of its own.
        double negligibleShare = 1e-6;
        // Paths expanded before the rest are taken together.
        quint32 paths = 200000;
    };

    // `rootFunction` names the synthetic root; both are profile function
    // ids. `event` is the event whose share orders the expansion. Throws
    // std::bad_alloc when memory runs short.
    static MergedCallTree estimate(
        const FunctionGraph &graph, int event, quint32 rootFunction, quint32 moreCallsFunction, const Limits &limits);
    static MergedCallTree estimate(
        const FunctionGraph &graph, int event, quint32 rootFunction, quint32 moreCallsFunction)
    {
        return estimate(graph, event, rootFunction, moreCallsFunction, Limits());
    }
};
