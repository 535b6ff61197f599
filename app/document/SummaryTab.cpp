#include "SummaryTab.h"

#include "FunctionModel.h"
#include "GraphLocation.h"
#include "Profile.h"
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
    m_profile = &profile;
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

void SummaryTab::showEstimatedPath(quint32 path)
{
    // The root's summary is the function graph's, exact; below it, the
    // figures of the estimated paths below.
    if (m_profile->estimatedCallTree().parent(path) == MergedCallTree::none)
        summary().populateFromGraphRows(GraphSummary::ofGraph(*m_profile));
    else
        summary().populateFromGraphRows(GraphSummary::belowEstimatedPath(*m_profile, path));
}

void SummaryTab::showPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    summary().populateFromPath(profile, paths, path);
}

bool SummaryTab::selectFunction(std::string_view name)
{
    for (int row = 0; row < summary().rowCount(); ++row) {
        if (summary().functionAt(row).nameBytes() != name)
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
    if (const GraphSummary::Row *row = summary().graphRowAt(current.row())) {
        const GraphLocation location = GraphLocation::ofNode(*m_profile, row->node);
        if (!location.source)
            return std::nullopt;
        return SourceLocation { location.source->path(), location.line };
    }
    const std::vector<const ProfiledFunctionCall *> &calls = summary().summaryAt(current.row()).calls();
    if (calls.empty() || !calls.front()->source())
        return std::nullopt;
    return SourceLocation { calls.front()->source()->path(), calls.front()->sourceLine() };
}

void SummaryTab::rowActivated(int row)
{
    // A function graph's rows have no calls to list.
    if (row >= 0 && row < summary().rowCount() && !summary().graphRowAt(row))
        Q_EMIT callsActivated(summary().summaryAt(row).calls());
}
