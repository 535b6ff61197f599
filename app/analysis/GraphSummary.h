#pragma once

#include "Cost.h"

#include <QtGlobal>

#include <vector>

class FunctionModel;
class Profile;

// The summary of a profile written per function (see
// Profile::isAggregated), a row per function: the calls it received and
// the totals of its self and inclusive cost of the time and the memory
// event, read from the function graph, where they are exact, or added up
// over paths of the estimated call tree, where they are estimated.
class GraphSummary
{
public:
    struct Row
    {
        const FunctionModel *function;
        // The function graph's node of the function (of its first path),
        // or none for a path that stands for no one function.
        quint32 node;
        quint64 calls = 0;
        Cost selfTime;
        Cost inclusiveTime;
        Cost selfMemory;
        Cost inclusiveMemory;
    };

    // Every function of the graph with its exact figures.
    static std::vector<Row> ofGraph(const Profile &profile);
    // Every function on the estimated paths below `path`, the path itself
    // excluded, with the figures of those paths added up. A function is on
    // a path of the estimated tree at most once, so that its inclusive
    // costs add up without counting a cost twice.
    static std::vector<Row> belowEstimatedPath(const Profile &profile, quint32 path);
};
