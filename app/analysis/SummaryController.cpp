#include "SummaryController.h"

#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
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

void SummaryController::fill(std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries)
{
    beginFillRows();
    m_summaries = std::move(summaries);
    endFillRows(m_summaries.size());
}

QVariant SummaryController::cellValue(quint32 rowIndex, int identifier) const
{
    if (identifier >= FirstMemoryColumn && memoryEvent() < 0)
        return {};
    const ProfiledFunctionSummary &summary = *m_summaries[rowIndex];
    switch (identifier) {
    case FunctionColumn:
        return summary.function().name();
    case AverageSelfTimeColumn:
        return timeText(summary.averageSelfTime());
    case AverageInclusiveTimeColumn:
        return timeText(summary.averageInclusiveTime());
    case TotalSelfTimeColumn:
        return timeText(summary.totalSelfTime());
    case TotalInclusiveTimeColumn:
        return timeText(summary.totalInclusiveTime());
    case CallCountColumn:
        return QString::number(summary.callCount());
    case AverageSelfMemoryColumn:
        return memoryText(summary.averageSelfCost(memoryEvent()));
    case AverageInclusiveMemoryColumn:
        return memoryText(summary.averageInclusiveCost(memoryEvent()));
    case TotalSelfMemoryColumn:
        return memoryText(summary.totalSelfCost(memoryEvent()));
    case TotalInclusiveMemoryColumn:
        return memoryText(summary.totalInclusiveCost(memoryEvent()));
    default:
        return {};
    }
}

const FunctionModel &SummaryController::functionOfRow(quint32 rowIndex) const
{
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

const QString &SummaryController::textForSort(quint32 rowIndex, int) const
{
    return m_summaries[rowIndex]->function().name();
}

quint64 SummaryController::numberForSort(quint32 rowIndex, int identifier) const
{
    if (identifier >= FirstMemoryColumn && memoryEvent() < 0)
        return 0;
    const ProfiledFunctionSummary &summary = *m_summaries[rowIndex];
    switch (identifier) {
    case AverageSelfTimeColumn:
        return summary.averageSelfTime();
    case AverageInclusiveTimeColumn:
        return summary.averageInclusiveTime();
    case TotalSelfTimeColumn:
        return summary.totalSelfTime();
    case TotalInclusiveTimeColumn:
        return summary.totalInclusiveTime();
    case CallCountColumn:
        return summary.callCount();
    case AverageSelfMemoryColumn:
        return sortKey(summary.averageSelfCost(memoryEvent()).toSigned());
    case AverageInclusiveMemoryColumn:
        return sortKey(summary.averageInclusiveCost(memoryEvent()).toSigned());
    case TotalSelfMemoryColumn:
        return sortKey(summary.totalSelfCost(memoryEvent()).toSigned());
    case TotalInclusiveMemoryColumn:
        return sortKey(summary.totalInclusiveCost(memoryEvent()).toSigned());
    default:
        return 0;
    }
}
