#include "SummaryReport.h"

#include "AlignedTable.h"
#include "CostFormat.h"
#include "FunctionGraph.h"
#include "FunctionSummaryMap.h"
#include "GraphNames.h"
#include "HugePageResource.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "Profile.h"

#include <QStringList>

#include <algorithm>
#include <memory_resource>
#include <string>
#include <utility>

namespace {

// A stored figure as a number that sorts as the figures do.
quint64 sortKey(quint64 bits, bool isSigned)
{
    return isSigned ? bits ^ (quint64(1) << 63) : bits;
}

void printFigure(OutputStream &out, quint64 bits, bool isSigned)
{
    if (isSigned)
        out << qint64(bits);
    else
        out << bits;
}

quint64 average(quint64 bits, quint64 count, bool isSigned)
{
    // Every row has a call, and most functions have only the one: a
    // division costs more than the test.
    if (count == 1)
        return bits;
    return isSigned ? quint64(qint64(bits) / qint64(count)) : bits / count;
}

// Largest key first, equal keys in their order: a radix sort of the rows
// (function ids), eleven bits of their keys at a time, leaving out the
// digits all keys share. A summary can have a row for each of a million
// functions.
template <typename Key> void sortByKeyDescending(std::pmr::vector<quint32> &rows, Key key)
{
    constexpr int digitBits = 11;
    constexpr quint64 digits = quint64(1) << digitBits;
    std::pmr::vector<quint32> sorted(rows.size(), rows.get_allocator());
    std::vector<size_t> counts(digits);
    for (int shift = 0; shift < 64; shift += digitBits) {
        const auto bucket = [&](quint32 row) { return digits - 1 - ((key(row) >> shift) & (digits - 1)); };
        std::fill(counts.begin(), counts.end(), 0);
        for (const quint32 row : rows)
            ++counts[bucket(row)];
        if (std::find(counts.begin(), counts.end(), rows.size()) != counts.end())
            continue;
        size_t start = 0;
        for (size_t &count : counts)
            start += std::exchange(count, start);
        for (const quint32 row : rows)
            sorted[counts[bucket(row)]++] = row;
        rows.swap(sorted);
    }
}

// The event that gets columns of its own beside the chosen one: memory,
// unless it is the one chosen or one was asked for.
int memoryEventBeside(const Profile &profile, const ReportOptions &options)
{
    if (options.eventGiven)
        return -1;
    for (int event = 0; event < profile.events().size(); ++event) {
        if (profile.events()[event].kind() == ProfileEvent::Kind::Memory)
            return event == options.event ? -1 : event;
    }
    return -1;
}

// A function graph's summary, read as a summary map is: a row per function.
struct GraphRows
{
    const Profile &profile;
    const FunctionGraph &graph;

    qsizetype size() const { return qsizetype(graph.size()); }
    const FunctionModel &function(qsizetype row) const { return profile.function(graph.function(quint32(row))); }
    quint64 callCount(qsizetype row) const { return graph.calls(quint32(row)); }
    quint64 selfBits(qsizetype row, int event) const { return graph.selfBits(event, quint32(row)); }
    quint64 inclusiveBits(qsizetype row, int event) const { return graph.inclusiveBits(event, quint32(row)); }
    Cost totalSelfCost(qsizetype row, int event) const { return graph.selfCost(event, quint32(row)); }
    Cost totalInclusiveCost(qsizetype row, int event) const { return graph.inclusiveCost(event, quint32(row)); }
    Cost averageSelfCost(qsizetype row, int event) const { return totalSelfCost(row, event).dividedBy(callCount(row)); }
    Cost averageInclusiveCost(qsizetype row, int event) const
    {
        return totalInclusiveCost(row, event).dividedBy(callCount(row));
    }
};

} // namespace

SummaryReport::SummaryReport(const Profile &profile, const ReportOptions &options)
    : m_profile(profile)
    , m_options(options)
{ }

void SummaryReport::print(OutputStream &out) const
{
    if (m_options.tsv)
        out << "calls\tself_total\tinclusive_total\tself_avg\tinclusive_avg\tfunction\n";
    if (m_profile.isAggregated()) {
        const MergedCallTree &paths = m_profile.estimatedCallTree();
        if (paths.root() == MergedCallTree::none)
            return;
        GraphNames names(m_profile);
        const GraphRows rows { m_profile, m_profile.functionGraph() };
        // The root is one of the graph's functions, or stands above all
        // those nobody calls.
        const quint32 rootNode = paths.node(paths.root());
        const std::string rootName(rootNode == FunctionGraph::none
                ? PrintableNames(m_profile.functionNames())(paths.function(paths.root()))
                : names(rootNode));
        printRows(
            out, rows, [&](quint32 row) { return names(row); }, rootName,
            [&](int event) { return paths.inclusiveCost(event, paths.root()); });
        return;
    }
    const ProfiledFunctionCall *root = m_profile.rootFunction();
    if (!root)
        return;
    const FunctionSummaryMap summaries(*root);
    PrintableNames names(m_profile.functionNames());
    printRows(
        out, summaries, [&](quint32 row) { return names(row); }, names(root->functionId()),
        [&](int event) { return root->inclusiveCost(event); });
}

template <typename Rows, typename Name, typename RootCost>
void SummaryReport::printRows(OutputStream &out, const Rows &summaries, const Name &nameOf, std::string_view rootName,
    const RootCost &rootCost) const
{
    const int event = m_options.event;
    const bool isSigned = m_profile.events()[event].isSigned();
    const auto key = [&](quint32 row) { return sortKey(summaries.inclusiveBits(row, event), isSigned); };
    // A row for each of a million functions, say: huge pages when large.
    std::pmr::vector<quint32> rows(&HugePageResource::instance());
    rows.reserve(size_t(summaries.size()));
    for (qsizetype row = 0; row < summaries.size(); ++row) {
        if (summaries.callCount(row) > 0
            && (m_options.showsInternalFunctions || !summaries.function(row).isPhpInternal()))
            rows.push_back(quint32(row));
    }
    // Ties in the order of the names' bytes; rows already in order, as a
    // deep chain's are, are left as they are.
    if (!std::is_sorted(rows.begin(), rows.end(), [&](quint32 a, quint32 b) { return key(a) > key(b); }))
        sortByKeyDescending(rows, key);
    for (auto tie = rows.begin(); tie != rows.end();) {
        const auto end = std::find_if(tie, rows.end(), [&](quint32 row) { return key(row) != key(*tie); });
        std::sort(tie, end, [&](quint32 a, quint32 b) { return nameOf(a) < nameOf(b); });
        tie = end;
    }
    if (m_options.top && *m_options.top < rows.size())
        rows.resize(size_t(*m_options.top));

    if (m_options.tsv) {
        for (const quint32 row : rows) {
            const quint64 count = summaries.callCount(row);
            const quint64 self = summaries.selfBits(row, event);
            const quint64 inclusive = summaries.inclusiveBits(row, event);
            out << count << '\t';
            printFigure(out, self, isSigned);
            out << '\t';
            printFigure(out, inclusive, isSigned);
            out << '\t';
            printFigure(out, average(self, count, isSigned), isSigned);
            out << '\t';
            printFigure(out, average(inclusive, count, isSigned), isSigned);
            out << '\t' << nameOf(row) << '\n';
            if (out.hasFailed())
                return;
        }
        return;
    }

    const QList<ProfileEvent> &events = m_profile.events();
    const auto text = [&](int shown, Cost cost) {
        return CostFormat::costString(events[shown], cost, m_options.timeUnit, m_options.displayDash);
    };
    const int memory = memoryEventBeside(m_profile, m_options);
    if (m_profile.isAggregated())
        out << Profile::aggregatedNotice() << '\n';
    out << rootName << "  inclusive " << text(event, rootCost(event));
    if (memory >= 0)
        out << ", " << text(memory, rootCost(memory));
    if (!m_profile.summaryCosts().isEmpty())
        out << "  summary: "
            << CostFormat::summaryString(events, m_profile.summaryCosts(), m_options.timeUnit, m_options.displayDash);
    out << '\n';

    QStringList headers = { QStringLiteral("calls"), QStringLiteral("self total"), QStringLiteral("inclusive total"),
        QStringLiteral("self avg"), QStringLiteral("inclusive avg") };
    if (memory >= 0)
        headers << QStringLiteral("self memory") << QStringLiteral("inclusive memory");
    const auto cells = [&](quint32 row) {
        QStringList line = { QString::number(summaries.callCount(row)),
            text(event, summaries.totalSelfCost(row, event)), text(event, summaries.totalInclusiveCost(row, event)),
            text(event, summaries.averageSelfCost(row, event)),
            text(event, summaries.averageInclusiveCost(row, event)) };
        if (memory >= 0)
            line << text(memory, summaries.totalSelfCost(row, memory))
                 << text(memory, summaries.totalInclusiveCost(row, memory));
        return line;
    };
    writeAlignedTable(out, headers, rows, cells, nameOf);
}
