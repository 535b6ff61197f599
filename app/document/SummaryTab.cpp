#include "SummaryTab.h"

#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"

#include <QTableView>

SummaryTab::SummaryTab(QAbstractItemDelegate &delegate, QWidget *parent)
    : TableTab(QStringLiteral("summaryTab"), std::make_unique<SummaryController>(),
        { SummaryController::FunctionColumn, SummaryController::FirstMemoryColumn, VTCSummaryHiddenColumns }, delegate,
        parent)
{
    tableView().setAccessibleName(tr("Summary"));
}

SummaryTab::~SummaryTab() = default;

void SummaryTab::showProfile(const Profile &profile)
{
    summary().reset();
    TableTab::showProfile(profile);
}

void SummaryTab::showCall(const ProfiledFunctionCall *call)
{
    if (call)
        summary().populateFromFunction(*call);
    else
        summary().reset();
}

void SummaryTab::showPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    summary().populateFromPath(profile, paths, path);
}

bool SummaryTab::selectFunction(std::string_view name)
{
    for (int row = 0; row < summary().rowCount(); ++row) {
        if (summary().summaryAt(row).function().nameBytes() != name)
            continue;
        const QModelIndex index = summary().index(row, 0);
        tableView().selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        tableView().scrollTo(index);
        return true;
    }
    // No row of another function stays selected as if it were this one.
    tableView().selectionModel()->clear();
    return false;
}

std::optional<SourceLocation> SummaryTab::selectedLocation() const
{
    const QModelIndex current = tableView().currentIndex();
    if (!current.isValid() || current.row() >= summary().rowCount())
        return std::nullopt;
    const std::vector<const ProfiledFunctionCall *> &calls = summary().summaryAt(current.row()).calls();
    if (calls.empty() || !calls.front()->source())
        return std::nullopt;
    return SourceLocation { calls.front()->source()->path(), calls.front()->sourceLine() };
}

void SummaryTab::rowActivated(int row)
{
    if (row >= 0 && row < summary().rowCount())
        Q_EMIT callsActivated(summary().summaryAt(row).calls());
}
