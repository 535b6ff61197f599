#include "DiffReport.h"

#include "AlignedTable.h"
#include "CostFormat.h"
#include "FunctionModel.h"
#include "OutputStream.h"
#include "PrintableNames.h"
#include "ProfileComparison.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr ProfileComparison::Side before = ProfileComparison::Before;
constexpr ProfileComparison::Side after = ProfileComparison::After;

void printFigure(OutputStream &out, Cost cost)
{
    if (cost.isSigned())
        out << cost.toSigned();
    else
        out << cost.toUnsigned();
}

} // namespace

DiffReport::DiffReport(const ProfileComparison &comparison, const ReportOptions &options)
    : m_comparison(comparison)
    , m_options(options)
{ }

void DiffReport::print(OutputStream &out) const
{
    const ProfileComparison &rows = m_comparison;
    std::vector<qsizetype> shown;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (m_options.showsInternalFunctions || !FunctionModel::isPhpInternal(rows.functionKind(row)))
            shown.push_back(row);
    }
    if (m_options.top && *m_options.top < shown.size())
        shown.resize(size_t(*m_options.top));

    QByteArray changed;
    const auto nameOf = [&](qsizetype row) { return PrintableNames::printable(rows.nameBytes(row), changed); };

    if (m_options.tsv) {
        out << "calls_before\tcalls_after\tself_before\tself_after\tinclusive_before\tinclusive_after\tfunction\n";
        for (const qsizetype row : shown) {
            out << rows.callCount(row, before) << '\t' << rows.callCount(row, after) << '\t';
            for (const auto cost : { &ProfileComparison::selfCost, &ProfileComparison::inclusiveCost }) {
                printFigure(out, (rows.*cost)(row, before));
                out << '\t';
                printFigure(out, (rows.*cost)(row, after));
                out << '\t';
            }
            out << nameOf(row) << '\n';
            if (out.hasFailed())
                return;
        }
        return;
    }

    const ProfileEvent &event = rows.event();
    const auto text
        = [&](Cost cost) { return CostFormat::costString(event, cost, m_options.timeUnit, m_options.displayDash); };
    const auto change = [&](qsizetype row, const CostChange &change) {
        if (!rows.isCalled(row, before))
            return QStringLiteral("new");
        if (!rows.isCalled(row, after))
            return QStringLiteral("gone");
        return CostFormat::changeString(event, change, m_options.timeUnit);
    };
    const Cost rootBefore = rows.rootInclusiveCost(before);
    const Cost rootAfter = rows.rootInclusiveCost(after);
    out << "inclusive of the roots: " << text(rootBefore) << " before, " << text(rootAfter) << " after, change "
        << CostFormat::changeString(event, CostChange(rootBefore, rootAfter), m_options.timeUnit) << '\n';

    const QStringList headers = { QStringLiteral("calls before"), QStringLiteral("calls after"),
        QStringLiteral("self before"), QStringLiteral("self after"), QStringLiteral("self change"),
        QStringLiteral("inclusive before"), QStringLiteral("inclusive after"), QStringLiteral("inclusive change") };
    const auto cells = [&](qsizetype row) {
        return QStringList { QString::number(rows.callCount(row, before)), QString::number(rows.callCount(row, after)),
            text(rows.selfCost(row, before)), text(rows.selfCost(row, after)), change(row, rows.selfChange(row)),
            text(rows.inclusiveCost(row, before)), text(rows.inclusiveCost(row, after)),
            change(row, rows.inclusiveChange(row)) };
    };
    writeAlignedTable(out, headers, shown, cells, nameOf);
}
