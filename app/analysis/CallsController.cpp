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

QVariant CallsController::cellValue(quint32 rowIndex, int identifier) const
{
    if (identifier >= FirstMemoryColumn && memoryEvent() < 0)
        return {};
    const ProfiledFunctionCall &call = *m_calls[rowIndex];
    switch (identifier) {
    case PositionColumn:
        return QString::number(call.indexInParent());
    case FunctionColumn:
        return call.function().name();
    case SelfTimeColumn:
        return timeText(call.selfTime());
    case InclusiveTimeColumn:
        return timeText(call.inclusiveTime());
    case FileColumn:
        return pathOf(call);
    case LineColumn:
        return QString::number(call.sourceLine());
    case SelfMemoryColumn:
        return memoryText(call.selfCost(memoryEvent()));
    case InclusiveMemoryColumn:
        return memoryText(call.inclusiveCost(memoryEvent()));
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

bool CallsController::isTextColumn(int identifier) const
{
    return identifier == FunctionColumn || identifier == FileColumn;
}

const QString &CallsController::textForSort(quint32 rowIndex, int identifier) const
{
    const ProfiledFunctionCall &call = *m_calls[rowIndex];
    return identifier == FileColumn ? pathOf(call) : call.function().name();
}

quint64 CallsController::numberForSort(quint32 rowIndex, int identifier) const
{
    if (identifier >= FirstMemoryColumn && memoryEvent() < 0)
        return 0;
    const ProfiledFunctionCall &call = *m_calls[rowIndex];
    switch (identifier) {
    case PositionColumn:
        return call.indexInParent();
    case SelfTimeColumn:
        return call.selfTime();
    case InclusiveTimeColumn:
        return call.inclusiveTime();
    case LineColumn:
        return call.sourceLine();
    case SelfMemoryColumn:
        return sortKey(call.selfCost(memoryEvent()).toSigned());
    case InclusiveMemoryColumn:
        return sortKey(call.inclusiveCost(memoryEvent()).toSigned());
    default:
        return 0;
    }
}
