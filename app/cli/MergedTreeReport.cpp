#include "MergedTreeReport.h"

#include "CallTreeMerger.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "Profile.h"
#include "TreeLineWriter.h"

#include <limits>

MergedTreeReport::MergedTreeReport(const Profile &profile, const ReportOptions &options)
    : m_profile(profile)
    , m_options(options)
{ }

void MergedTreeReport::print(OutputStream &out) const
{
    if (m_options.tsv)
        out << "depth\tcalls\tself\tinclusive\tfunction\n";
    const MergedCallTree merged
        = m_profile.isAggregated() ? MergedCallTree() : CallTreeMerger::merge(m_profile.callTree());
    const MergedCallTree &paths = m_profile.isAggregated() ? m_profile.estimatedCallTree() : merged;
    if (m_profile.isAggregated() && !m_options.tsv && paths.root() != MergedCallTree::none)
        out << Profile::aggregatedNotice() << '\n';
    const int event = m_options.event;
    TreeLineWriter lines(out, m_profile.events()[event], m_options);
    PrintableNames functions(m_profile.functionNames());
    const quint64 maxDepth = m_options.depth.value_or(std::numeric_limits<quint64>::max());

    // Numbered in pre-order: a path too deep to print skips its subtree.
    for (quint32 path = 0; path < paths.size() && !out.hasFailed();) {
        const quint64 depth = paths.depth(path);
        if (depth > maxDepth) {
            path = paths.subtreeEnd(path);
            continue;
        }
        if (m_options.tsv) {
            out << depth << '\t' << paths.calls(path) << '\t';
            lines.writeFigures(paths.selfBits(event, path), paths.inclusiveBits(event, path));
            out << '\t' << functions(paths.function(path)) << '\n';
        } else {
            lines.writeIndented(
                depth, functions(paths.function(path)), paths.selfBits(event, path), paths.inclusiveBits(event, path));
            out << "  \u00d7" << paths.calls(path) << '\n';
        }
        ++path;
    }
}
