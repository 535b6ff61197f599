#include "TreeReport.h"

#include "CostFormat.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "Profile.h"

#include <limits>

TreeReport::TreeReport(const Profile &profile, const ReportOptions &options)
    : m_profile(profile)
    , m_options(options)
{ }

void TreeReport::print(OutputStream &out) const
{
    if (m_options.tsv)
        out << "depth\tindex\tself\tinclusive\tline\tfile\tfunction\n";
    const CallTree &tree = m_profile.callTree();
    if (tree.rootNumber() == CallTree::none)
        return;

    const int event = m_options.event;
    const ProfileEvent &shown = m_profile.events()[event];
    const auto text = [&](quint64 bits) {
        return CostFormat::costString(shown, shown.cost(bits), m_options.timeUnit, m_options.displayDash);
    };
    const auto printFigure = [&](quint64 bits) {
        if (shown.isSigned())
            out << qint64(bits);
        else
            out << bits;
    };
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
            printFigure(tree.selfBits(event, call));
            out << '\t';
            printFigure(tree.inclusiveBits(event, call));
            out << '\t' << quint64(tree.line(call)) << '\t' << path << '\t' << functions(tree.function(call)) << '\n';
        } else {
            out.pad(qsizetype(std::min(next.depth, maxIndentation) * 2));
            if (next.depth > maxIndentation)
                out << '[' << next.depth << "] ";
            out << functions(tree.function(call)) << "  " << text(tree.inclusiveBits(event, call)) << " (self "
                << text(tree.selfBits(event, call)) << ")  " << path;
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
