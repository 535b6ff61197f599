#include "TreeReport.h"

#include "FunctionGraph.h"
#include "MergedCallTree.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "Profile.h"
#include "TreeLineWriter.h"

#include <limits>

TreeReport::TreeReport(const Profile &profile, const ReportOptions &options)
    : m_profile(profile)
    , m_options(options)
{ }

void TreeReport::print(OutputStream &out) const
{
    if (m_options.tsv)
        out << "depth\tindex\tself\tinclusive\tline\tfile\tfunction\n";
    if (m_profile.isAggregated()) {
        printEstimated(out);
        return;
    }
    const CallTree &tree = m_profile.callTree();
    if (tree.rootNumber() == CallTree::none)
        return;

    const int event = m_options.event;
    TreeLineWriter lines(out, m_profile.events()[event], m_options);
    PrintableNames functions(m_profile.functionNames());
    PrintableNames sources(m_profile.sourceNames());
    const quint64 maxDepth = m_options.depth.value_or(std::numeric_limits<quint64>::max());

    // Pre-order without recursion: children are pushed last first.
    struct Pending
    {
        quint32 call;
        quint32 index;
        quint64 depth;
    };
    std::vector<Pending> pending = { { tree.rootNumber(), 0, 0 } };
    while (!pending.empty() && !out.hasFailed()) {
        const Pending next = pending.back();
        pending.pop_back();
        const quint32 call = next.call;
        const quint32 source = tree.source(call);
        const std::string_view path = source == CallTree::none ? std::string_view() : sources(source);
        if (m_options.tsv) {
            out << next.depth << '\t' << quint64(next.index) << '\t';
            lines.writeFigures(tree.selfBits(event, call), tree.inclusiveBits(event, call));
            out << '\t' << quint64(tree.line(call)) << '\t' << path << '\t' << functions(tree.function(call)) << '\n';
        } else {
            lines.writeIndented(next.depth, functions(tree.function(call)), tree.selfBits(event, call),
                tree.inclusiveBits(event, call));
            out << "  " << path;
            if (tree.line(call) != 0)
                out << ':' << quint64(tree.line(call));
            out << '\n';
        }
        if (next.depth >= maxDepth)
            continue;
        for (quint32 i = tree.childCount(call); i-- > 0;)
            pending.push_back({ tree.child(call, i), i + 1, next.depth + 1 });
    }
}

void TreeReport::printEstimated(OutputStream &out) const
{
    const MergedCallTree &paths = m_profile.estimatedCallTree();
    const FunctionGraph &graph = m_profile.functionGraph();
    const int event = m_options.event;
    TreeLineWriter lines(out, m_profile.events()[event], m_options);
    PrintableNames functions(m_profile.functionNames());
    PrintableNames sources(m_profile.sourceNames());
    const quint64 maxDepth = m_options.depth.value_or(std::numeric_limits<quint64>::max());
    if (!m_options.tsv && paths.root() != MergedCallTree::none)
        out << Profile::aggregatedNotice() << '\n';

    // Numbered in pre-order: a path's position among its siblings is one
    // more than that of the sibling before it.
    std::vector<quint32> index(paths.size(), 0);
    for (quint32 path = 0; path < paths.size() && !out.hasFailed();) {
        const quint64 depth = paths.depth(path);
        if (depth > maxDepth) {
            path = paths.subtreeEnd(path);
            continue;
        }
        for (quint32 i = 0; i < paths.childCount(path); ++i)
            index[paths.child(path, i)] = i + 1;
        const quint32 node = paths.node(path);
        const quint32 source = node == FunctionGraph::none ? FunctionGraph::none : graph.source(node);
        const std::string_view file = source == FunctionGraph::none ? std::string_view() : sources(source);
        const quint32 line = node == FunctionGraph::none ? 0 : graph.line(node);
        if (m_options.tsv) {
            out << depth << '\t' << quint64(index[path]) << '\t';
            lines.writeFigures(paths.selfBits(event, path), paths.inclusiveBits(event, path));
            out << '\t' << quint64(line) << '\t' << file << '\t' << functions(paths.function(path)) << '\n';
        } else {
            lines.writeIndented(
                depth, functions(paths.function(path)), paths.selfBits(event, path), paths.inclusiveBits(event, path));
            out << "  \u00d7" << paths.calls(path);
            if (!file.empty())
                out << "  " << file;
            if (line != 0)
                out << ':' << quint64(line);
            out << '\n';
        }
        ++path;
    }
}
