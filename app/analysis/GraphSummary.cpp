#include "GraphSummary.h"

#include "Profile.h"

std::vector<GraphSummary::Row> GraphSummary::ofGraph(const Profile &profile)
{
    const FunctionGraph &graph = profile.functionGraph();
    const int time = profile.timeEvent();
    const int memory = profile.memoryEvent();
    std::vector<Row> rows;
    rows.reserve(graph.size());
    for (quint32 node = 0; node < graph.size(); ++node) {
        if (graph.calls(node) == 0)
            continue;
        Row row { &profile.function(graph.function(node)), node, graph.calls(node), graph.selfCost(time, node),
            graph.inclusiveCost(time, node), Cost(), Cost() };
        if (memory >= 0) {
            row.selfMemory = graph.selfCost(memory, node);
            row.inclusiveMemory = graph.inclusiveCost(memory, node);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<GraphSummary::Row> GraphSummary::belowEstimatedPath(const Profile &profile, quint32 path)
{
    const MergedCallTree &paths = profile.estimatedCallTree();
    const int time = profile.timeEvent();
    const int memory = profile.memoryEvent();
    std::vector<Row> rows;
    if (path >= paths.size())
        return rows;
    // Paths are numbered in pre-order: the subtree is a run of numbers.
    std::vector<quint32> rowOfFunction(size_t(profile.functionCount()), MergedCallTree::none);
    for (quint32 below = path + 1; below < paths.subtreeEnd(path); ++below) {
        quint32 &shown = rowOfFunction[paths.function(below)];
        if (shown == MergedCallTree::none) {
            shown = quint32(rows.size());
            rows.push_back(
                { &profile.function(paths.function(below)), paths.node(below), 0, Cost(), Cost(), Cost(), Cost() });
        }
        Row &row = rows[shown];
        row.calls += paths.calls(below);
        const auto add = [&](Cost &total, int event, quint64 bits) {
            total = Cost::fromBits(Cost::addBits(total.bits(), bits, paths.isSigned(event)), paths.isSigned(event));
        };
        add(row.selfTime, time, paths.selfBits(time, below));
        add(row.inclusiveTime, time, paths.inclusiveBits(time, below));
        if (memory >= 0) {
            add(row.selfMemory, memory, paths.selfBits(memory, below));
            add(row.inclusiveMemory, memory, paths.inclusiveBits(memory, below));
        }
    }
    return rows;
}
