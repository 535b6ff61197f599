#include "CallsTab.h"

#include "GraphLocation.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"

#include <QTableView>

CallsTab::CallsTab(QAbstractItemDelegate &delegate, QWidget *parent)
    : TableTab(QStringLiteral("callsTab"), std::make_unique<CallsController>(),
        { CallsController::FunctionColumn, CallsController::FirstMemoryColumn, VTCCallsHiddenColumns }, delegate,
        parent)
{
    tableView().setAccessibleName(tr("Calls"));
    // Paths are cut at the front, where they say least.
    tableView().setTextElideMode(Qt::ElideLeft);
}

CallsTab::~CallsTab() = default;

void CallsTab::showProfile(const Profile &profile)
{
    m_profile = &profile;
    callsModel().reset();
    TableTab::showProfile(profile);
}

void CallsTab::showCall(const ProfiledFunctionCall *call)
{
    if (call)
        callsModel().populateFromFunction(*call);
    else
        callsModel().reset();
}

void CallsTab::showPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    callsModel().populateFromPath(profile, paths, path);
}

void CallsTab::showEstimatedPath(quint32 path)
{
    showPath(*m_profile, m_profile->estimatedCallTree(), path);
}

void CallsTab::listCalls(std::vector<const ProfiledFunctionCall *> calls)
{
    callsModel().populateFromArray(std::move(calls));
}

std::optional<SourceLocation> CallsTab::selectedLocation() const
{
    const QModelIndex current = tableView().currentIndex();
    if (!current.isValid() || current.row() >= callsModel().rowCount())
        return std::nullopt;
    if (!callsModel().hasCallAt(current.row())) {
        const GraphLocation location = GraphLocation::ofPath(*m_profile, callsModel().pathAt(current.row()));
        if (!location.source)
            return std::nullopt;
        return SourceLocation { location.source->path(), location.line };
    }
    const ProfiledFunctionCall &call = callsModel().callAt(current.row());
    if (!call.source())
        return std::nullopt;
    return SourceLocation { call.source()->path(), call.sourceLine() };
}

void CallsTab::rowActivated(int row)
{
    if (row < 0 || row >= callsModel().rowCount())
        return;
    if (callsModel().hasCallAt(row))
        Q_EMIT callActivated(&callsModel().callAt(row));
    else
        Q_EMIT estimatedPathActivated(callsModel().pathAt(row));
}
