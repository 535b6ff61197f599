#include "SummaryController.h"

#include "CallsController.h"
#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "ProfiledFunctionSummary.h"
#include "SettingsKeys.h"

SummaryController::SummaryController(QObject *parent)
    : TableController(1, VTCSummaryShowsInternalPhpFunctions, TotalInclusiveTimeColumn, Qt::DescendingOrder, parent)
{ }

SummaryController::~SummaryController() = default;

void SummaryController::reset()
{
    TableController::reset();
    m_summaries.clear();
}

void SummaryController::populateFromFunction(const ProfiledFunctionCall &call)
{
    // The old summaries go only after the base no longer lists them.
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries = FunctionSummaryMap::summariesBelow(call);
    std::vector<const ProfiledFunction *> rows;
    rows.reserve(summaries.size());
    for (const auto &summary : summaries)
        rows.push_back(summary.get());
    fillRows(std::move(rows));
    m_summaries = std::move(summaries);
}

const ProfiledFunctionSummary &SummaryController::summaryAt(int row) const
{
    return *static_cast<const ProfiledFunctionSummary *>(visibleData()[size_t(row)]);
}

QVariant SummaryController::objectValueForTableColumn(int identifier, int row) const
{
    if (row < 0 || size_t(row) >= visibleData().size())
        return {};
    const ProfiledFunctionSummary &summary = summaryAt(row);
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
    default:
        return {};
    }
}

void SummaryController::doubleClick(int clickedRow)
{
    if (clickedRow < 0 || size_t(clickedRow) >= visibleData().size() || !m_callsController)
        return;
    m_callsController->populateFromArray(summaryAt(clickedRow).calls());
    m_callsController->reloadData();
    m_callsController->makeActive();
}

QString SummaryController::columnTitle(int identifier) const
{
    switch (identifier) {
    case FunctionColumn:
        return tr("Function");
    case AverageSelfTimeColumn:
        return tr("Avg. self");
    case AverageInclusiveTimeColumn:
        return tr("Avg. inclusive");
    case TotalSelfTimeColumn:
        return tr("Total self");
    case TotalInclusiveTimeColumn:
        return tr("Total inclusive");
    case CallCountColumn:
        return tr("Calls");
    default:
        return {};
    }
}

const QString &SummaryController::textForSort(const ProfiledFunction &row, int) const
{
    return row.function().name();
}

quint64 SummaryController::numberForSort(const ProfiledFunction &row, int identifier) const
{
    const auto &summary = static_cast<const ProfiledFunctionSummary &>(row);
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
    default:
        return 0;
    }
}
