#include "CallersTab.h"

#include "CallTree.h"
#include "MyDocument.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"

#include <QTableView>

CallersTab::CallersTab(MyDocument &document, QAbstractItemDelegate &delegate, QWidget *parent)
    : TableTab(QStringLiteral("callersTab"), std::make_unique<CallersController>(),
        { CallersController::FunctionColumn, CallersController::FirstMemoryColumn, VTCCallersHiddenColumns }, delegate,
        parent)
    , m_document(document)
{
    tableView().setAccessibleName(tr("Callers"));
}

CallersTab::~CallersTab() = default;

void CallersTab::showProfile(const Profile &profile)
{
    m_call = nullptr;
    m_node = FunctionGraph::none;
    callers().reset();
    TableTab::showProfile(profile);
}

void CallersTab::showCall(const ProfiledFunctionCall *call)
{
    m_call = call;
    m_node = FunctionGraph::none;
    m_outOfDate = true;
    if (isVisibleTo(window()))
        update();
}

void CallersTab::showEstimatedPath(quint32 path)
{
    m_call = nullptr;
    m_node = m_document.profile().estimatedCallTree().node(path);
    m_outOfDate = true;
    if (isVisibleTo(window()))
        update();
}

void CallersTab::showEvent(QShowEvent *event)
{
    TableTab::showEvent(event);
    if (m_outOfDate)
        update();
}

void CallersTab::update()
{
    m_outOfDate = false;
    if (m_node != FunctionGraph::none) {
        if (callers().calledNode() != m_node)
            callers().populateFromGraph(m_document.profile(), m_node);
    } else if (!m_call) {
        callers().reset();
    } else if (callers().calledFunction() != &m_call->function()) {
        callers().populateFromFunction(m_call->function(), m_document.callIndex());
    }
}

std::optional<SourceLocation> CallersTab::selectedLocation() const
{
    const QModelIndex current = tableView().currentIndex();
    if (!current.isValid() || current.row() >= callers().rowCount() || callers().callsAt(current.row()).empty())
        return std::nullopt;
    const ProfiledFunctionCall &call = *callers().callsAt(current.row()).front();
    const ProfiledFunctionCall *caller = call.parent();
    if (!caller || !caller->source())
        return std::nullopt;
    return SourceLocation { caller->source()->path(), call.tree().callSiteLine(call.callNumber()) };
}

void CallersTab::rowActivated(int row)
{
    // A function graph's callers have no calls to list.
    if (row >= 0 && row < callers().rowCount() && !callers().callsAt(row).empty())
        Q_EMIT callsActivated(callers().callsAt(row));
}
