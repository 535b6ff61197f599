#include "SummaryController.h"

#include "CallTreeMerger.h"
#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionSummary.h"
#include "SettingsKeys.h"

SummaryController::SummaryController(QObject *parent)
    : TableController(
        VTCSummaryShowsInternalPhpFunctions, ColumnCount, TotalInclusiveTimeColumn, Qt::DescendingOrder, parent)
{ }

SummaryController::~SummaryController() = default;

void SummaryController::reset()
{
    fill({});
}

void SummaryController::populateFromFunction(const ProfiledFunctionCall &call)
{
    fill(FunctionSummaryMap::summariesBelow(call));
}

void SummaryController::populateFromPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    fill(FunctionSummaryMap::summariesBelow(profile, CallTreeMerger::callsOfPath(paths, profile.callTree(), path)));
}

void SummaryController::fill(std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries)
{
    beginFillRows();
    m_summaries = std::move(summaries);
    m_graphRows.clear();
    endFillRows(m_summaries.size());
}

void SummaryController::populateFromGraphRows(std::vector<GraphSummary::Row> rows)
{
    beginFillRows();
    m_summaries.clear();
    m_graphRows = std::move(rows);
    endFillRows(m_graphRows.size());
}

QVariant SummaryController::graphCellData(const GraphSummary::Row &row, int column, int role) const
{
    switch (column) {
    case FunctionColumn:
        return functionCell(*row.function, role);
    case AverageSelfTimeColumn:
        return timeCell(row.selfTime.dividedBy(row.calls).toUnsigned(), role);
    case AverageInclusiveTimeColumn:
        return timeCell(row.inclusiveTime.dividedBy(row.calls).toUnsigned(), role);
    case TotalSelfTimeColumn:
        return timeCell(row.selfTime.toUnsigned(), role);
    case TotalInclusiveTimeColumn:
        return timeCell(row.inclusiveTime.toUnsigned(), role);
    case CallCountColumn:
        return numberCell(row.calls, role);
    case AverageSelfMemoryColumn:
        return memoryCell(row.selfMemory.dividedBy(row.calls), role);
    case AverageInclusiveMemoryColumn:
        return memoryCell(row.inclusiveMemory.dividedBy(row.calls), role);
    case TotalSelfMemoryColumn:
        return memoryCell(row.selfMemory, role);
    case TotalInclusiveMemoryColumn:
        return memoryCell(row.inclusiveMemory, role);
    default:
        return {};
    }
}

QVariant SummaryController::cellData(quint32 rowIndex, int column, int role) const
{
    if (column >= FirstMemoryColumn && memoryEvent() < 0)
        return {};
    if (!m_graphRows.empty())
        return graphCellData(m_graphRows[rowIndex], column, role);
    const ProfiledFunctionSummary &summary = *m_summaries[rowIndex];
    switch (column) {
    case FunctionColumn:
        return functionCell(summary.function(), role);
    case AverageSelfTimeColumn:
        return timeCell(summary.averageSelfTime(), role);
    case AverageInclusiveTimeColumn:
        return timeCell(summary.averageInclusiveTime(), role);
    case TotalSelfTimeColumn:
        return timeCell(summary.totalSelfTime(), role);
    case TotalInclusiveTimeColumn:
        return timeCell(summary.totalInclusiveTime(), role);
    case CallCountColumn:
        return numberCell(summary.callCount(), role);
    case AverageSelfMemoryColumn:
        return memoryCell(summary.averageSelfCost(memoryEvent()), role);
    case AverageInclusiveMemoryColumn:
        return memoryCell(summary.averageInclusiveCost(memoryEvent()), role);
    case TotalSelfMemoryColumn:
        return memoryCell(summary.totalSelfCost(memoryEvent()), role);
    case TotalInclusiveMemoryColumn:
        return memoryCell(summary.totalInclusiveCost(memoryEvent()), role);
    default:
        return {};
    }
}

const FunctionModel &SummaryController::functionOfRow(quint32 rowIndex) const
{
    if (!m_graphRows.empty())
        return *m_graphRows[rowIndex].function;
    return m_summaries[rowIndex]->function();
}

QString SummaryController::columnTitle(int identifier) const
{
    switch (identifier) {
    case FunctionColumn:
        return tr("Function");
    case AverageSelfTimeColumn:
        return tr("Avg.\nself");
    case AverageInclusiveTimeColumn:
        return tr("Avg.\ninclusive");
    case TotalSelfTimeColumn:
        return tr("Total\nself");
    case TotalInclusiveTimeColumn:
        return tr("Total\ninclusive");
    case CallCountColumn:
        return tr("Calls");
    case AverageSelfMemoryColumn:
        return tr("Avg. self\nmemory");
    case AverageInclusiveMemoryColumn:
        return tr("Avg. incl.\nmemory");
    case TotalSelfMemoryColumn:
        return tr("Total self\nmemory");
    case TotalInclusiveMemoryColumn:
        return tr("Total incl.\nmemory");
    default:
        return {};
    }
}

QString SummaryController::columnSample(int identifier) const
{
    switch (identifier) {
    case FunctionColumn:
        return {};
    case CallCountColumn:
        return QStringLiteral("888888");
    case AverageSelfMemoryColumn:
    case AverageInclusiveMemoryColumn:
    case TotalSelfMemoryColumn:
    case TotalInclusiveMemoryColumn:
        return widestMemoryText();
    default:
        return widestTimeText();
    }
}
