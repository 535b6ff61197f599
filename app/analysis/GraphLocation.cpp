#include "GraphLocation.h"

#include "Profile.h"

GraphLocation GraphLocation::ofNode(const Profile &profile, quint32 node)
{
    const FunctionGraph &graph = profile.functionGraph();
    if (node >= graph.size() || graph.source(node) == FunctionGraph::none)
        return {};
    return { &profile.source(graph.source(node)), graph.line(node) };
}

GraphLocation GraphLocation::ofPath(const Profile &profile, quint32 path)
{
    const MergedCallTree &paths = profile.estimatedCallTree();
    return path < paths.size() ? ofNode(profile, paths.node(path)) : GraphLocation();
}
