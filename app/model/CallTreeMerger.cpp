#include "CallTreeMerger.h"

#include "CallTree.h"

#include <QHash>

#include <utility>

MergedCallTree CallTreeMerger::merge(const CallTree &tree)
{
    const int eventCount = tree.eventCount();
    std::vector<bool> signedEvents(size_t(eventCount), false);
    for (int event = 0; event < eventCount; ++event)
        signedEvents[size_t(event)] = tree.isSigned(event);
    MergedCallTree paths(signedEvents);
    const quint32 root = tree.rootNumber();
    if (root == CallTree::none) {
        paths.finish();
        return paths;
    }

    const auto add = [&](quint32 path, quint32 call) {
        paths.addCalls(path, 1);
        // Walked backwards, the last call met is the first made.
        paths.setFirstCall(path, call);
        for (int event = 0; event < eventCount; ++event) {
            paths.addSelfBits(event, path, tree.selfBits(event, call));
            paths.addInclusiveBits(event, path, tree.inclusiveBits(event, call));
        }
    };
    // The calls below the root are the run of calls before it; walked
    // backwards, every call comes after its caller, so the calls open above
    // a call are a stack, each with its path.
    struct Open
    {
        quint32 call;
        quint32 path;
    };
    std::vector<Open> open = { { root, paths.addPath(MergedCallTree::none, tree.function(root)) } };
    add(open.back().path, root);
    // The child paths made so far, by parent path and function.
    QHash<quint64, quint32> childPaths;
    const quint32 begin = tree.subtreeBegin(root);
    for (quint32 call = root; call-- > begin;) {
        const quint32 parent = tree.parent(call);
        while (open.back().call != parent)
            open.pop_back();
        const quint32 parentPath = open.back().path;
        const quint32 function = tree.function(call);
        const quint64 key = quint64(parentPath) << 32 | function;
        // Numbered from 1, so that 0 is a path not made yet.
        quint32 &found = childPaths[key];
        if (found == 0)
            found = paths.addPath(parentPath, function) + 1;
        add(found - 1, call);
        open.push_back({ call, found - 1 });
    }
    paths.finish();
    return paths;
}

quint32 CallTreeMerger::pathOfCall(const MergedCallTree &paths, const CallTree &tree, quint32 call)
{
    const quint32 root = tree.rootNumber();
    if (paths.root() == MergedCallTree::none || root == CallTree::none)
        return MergedCallTree::none;
    std::vector<quint32> functions;
    for (; call != root; call = tree.parent(call)) {
        if (call == CallTree::none)
            return MergedCallTree::none;
        functions.push_back(tree.function(call));
    }
    quint32 path = paths.function(paths.root()) == tree.function(root) ? paths.root() : MergedCallTree::none;
    for (auto function = functions.rbegin(); function != functions.rend() && path != MergedCallTree::none; ++function)
        path = paths.childWithFunction(path, *function);
    return path;
}

std::vector<quint32> CallTreeMerger::callsOfPath(const MergedCallTree &paths, const CallTree &tree, quint32 path)
{
    std::vector<quint32> steps;
    for (; path != paths.root(); path = paths.parent(path))
        steps.push_back(path);
    std::vector<quint32> calls;
    if (tree.rootNumber() != CallTree::none)
        calls.push_back(tree.rootNumber());
    // Each step down keeps the callees of the calls so far that call the
    // step's function; calls come in the order they were made, and so do
    // each call's callees.
    std::vector<quint32> below;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        below.clear();
        const quint32 function = paths.function(*step);
        for (const quint32 call : calls) {
            for (quint32 i = 0; i < tree.childCount(call); ++i) {
                if (tree.function(tree.child(call, i)) == function)
                    below.push_back(tree.child(call, i));
            }
        }
        std::swap(calls, below);
    }
    return calls;
}
