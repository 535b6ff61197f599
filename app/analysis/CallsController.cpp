#include "CallsController.h"

#include "FunctionModel.h"
#include "GraphLocation.h"
#include "MergedCallTree.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SourceFileModel.h"

namespace {

const QString &pathOf(const ProfiledFunctionCall &call)
{
    static const QString none;
    return call.source() ? call.source()->path() : none;
}

} // namespace

CallsController::CallsController(QObject *parent)
    : TableController(VTCCallStackShowsInternalPhpFunctions, ColumnCount, PositionColumn, Qt::AscendingOrder, parent)
{ }

CallsController::~CallsController() = default;

void CallsController::reset()
{
    populateFromArray({});
}

void CallsController::populateFromFunction(const ProfiledFunctionCall &call)
{
    std::vector<const ProfiledFunctionCall *> children;
    children.reserve(size_t(call.childCount()));
    for (qsizetype i = 0; i < call.childCount(); ++i)
        children.push_back(call.getChild(i));
    populateFromArray(std::move(children));
}

void CallsController::populateFromArray(std::vector<const ProfiledFunctionCall *> calls)
{
    beginFillRows();
    m_calls = std::move(calls);
    m_paths = nullptr;
    m_rowPaths.clear();
    endFillRows(m_calls.size());
}

void CallsController::populateFromPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    std::vector<const ProfiledFunctionCall *> calls;
    std::vector<quint32> rowPaths;
    for (quint32 i = 0; i < paths.childCount(path); ++i) {
        const quint32 child = paths.child(path, i);
        // Estimated paths have no call.
        const quint32 call = paths.firstCall(child);
        calls.push_back(call == MergedCallTree::none ? nullptr : &profile.callTree().call(call));
        rowPaths.push_back(child);
    }
    beginFillRows();
    m_calls = std::move(calls);
    m_profile = &profile;
    m_paths = &paths;
    m_rowPaths = std::move(rowPaths);
    m_timeEvent = profile.timeEvent();
    endFillRows(m_calls.size());
}

QVariant CallsController::cellData(quint32 rowIndex, int column, int role) const
{
    if (column >= FirstMemoryColumn && memoryEvent() < 0)
        return {};
    if (m_paths)
        return mergedCellData(rowIndex, column, role);
    return callCellData(*m_calls[rowIndex], column, role);
}

QVariant CallsController::callCellData(const ProfiledFunctionCall &call, int column, int role) const
{
    switch (column) {
    case PositionColumn:
        return numberCell(call.indexInParent(), role);
    case FunctionColumn:
        return functionCell(call.function(), role);
    case SelfTimeColumn:
        return timeCell(call.selfTime(), role);
    case InclusiveTimeColumn:
        return timeCell(call.inclusiveTime(), role);
    case FileColumn:
        return textCell(pathOf(call), role);
    case LineColumn:
        return numberCell(call.sourceLine(), role);
    case SelfMemoryColumn:
        return memoryCell(call.selfCost(memoryEvent()), role);
    case InclusiveMemoryColumn:
        return memoryCell(call.inclusiveCost(memoryEvent()), role);
    default:
        return {};
    }
}

QVariant CallsController::mergedCellData(quint32 rowIndex, int column, int role) const
{
    const quint32 path = m_rowPaths[rowIndex];
    switch (column) {
    case PositionColumn:
        return numberCell(rowIndex + 1, role);
    case SelfTimeColumn:
        return timeCell(m_paths->selfBits(m_timeEvent, path), role);
    case InclusiveTimeColumn:
        return timeCell(m_paths->inclusiveBits(m_timeEvent, path), role);
    case SelfMemoryColumn:
        return memoryCell(m_paths->selfCost(memoryEvent(), path), role);
    case InclusiveMemoryColumn:
        return memoryCell(m_paths->inclusiveCost(memoryEvent(), path), role);
    default:
        if (m_calls[rowIndex])
            return callCellData(*m_calls[rowIndex], column, role);
        return estimatedCellData(path, column, role);
    }
}

QVariant CallsController::estimatedCellData(quint32 path, int column, int role) const
{
    const GraphLocation location = GraphLocation::ofPath(*m_profile, path);
    switch (column) {
    case FunctionColumn:
        return functionCell(m_profile->function(m_paths->function(path)), role);
    case FileColumn:
        return textCell(location.source ? location.source->path() : QString(), role);
    case LineColumn:
        return numberCell(location.line, role);
    default:
        return {};
    }
}

const FunctionModel &CallsController::functionOfRow(quint32 rowIndex) const
{
    if (!m_calls[rowIndex])
        return m_profile->function(m_paths->function(m_rowPaths[rowIndex]));
    return m_calls[rowIndex]->function();
}

QString CallsController::columnTitle(int identifier) const
{
    switch (identifier) {
    case PositionColumn:
        return tr("#");
    case FunctionColumn:
        return tr("Function");
    case SelfTimeColumn:
        return tr("Self");
    case InclusiveTimeColumn:
        return tr("Inclusive");
    case FileColumn:
        return tr("File");
    case LineColumn:
        return tr("Line");
    case SelfMemoryColumn:
        return tr("Self\nmemory");
    case InclusiveMemoryColumn:
        return tr("Inclusive\nmemory");
    default:
        return {};
    }
}

QString CallsController::columnSample(int identifier) const
{
    switch (identifier) {
    case PositionColumn:
        return QStringLiteral("8888");
    case SelfTimeColumn:
    case InclusiveTimeColumn:
        return widestTimeText();
    case LineColumn:
        return QStringLiteral("88888");
    case SelfMemoryColumn:
    case InclusiveMemoryColumn:
        return widestMemoryText();
    default:
        return {};
    }
}
