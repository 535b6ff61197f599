#include "CallsController.h"

#include "FunctionModel.h"
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
    endFillRows(m_calls.size());
}

QVariant CallsController::cellData(quint32 rowIndex, int column, int role) const
{
    if (column >= FirstMemoryColumn && memoryEvent() < 0)
        return {};
    const ProfiledFunctionCall &call = *m_calls[rowIndex];
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

const FunctionModel &CallsController::functionOfRow(quint32 rowIndex) const
{
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
