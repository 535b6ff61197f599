#pragma once

#include "MergedCallTree.h"

#include <QtGlobal>

#include <vector>

class CallTree;

// Merges the recorded calls of a call tree into its call paths, and finds
// the calls of a path and the path of a call, so that a view can go from
// one to the other.
class CallTreeMerger
{
public:
    // The paths of the calls from `tree`'s root down, in one pass over the
    // calls, each path's first call kept. Throws std::bad_alloc when memory
    // runs short.
    static MergedCallTree merge(const CallTree &tree);

    // The path of `call` in `paths`, merged from `tree`; none if it has
    // none there.
    static quint32 pathOfCall(const MergedCallTree &paths, const CallTree &tree, quint32 call);
    // The calls along `path`, in the order they were made.
    static std::vector<quint32> callsOfPath(const MergedCallTree &paths, const CallTree &tree, quint32 path);
};
