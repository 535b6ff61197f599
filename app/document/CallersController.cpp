#include "CallersController.h"

#include "CallIndex.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <limits>

CallersController::CallersController(QObject *parent)
    : TableController(QString(), ColumnCount, TotalInclusiveTimeColumn, Qt::DescendingOrder, parent)
{ }

CallersController::~CallersController() = default;

void CallersController::reset()
{
    beginFillRows();
    m_callers.clear();
    m_calledFunction = nullptr;
    endFillRows(0);
}

void CallersController::populateFromFunction(const FunctionModel &function, const CallIndex &index)
{
    beginFillRows();
    m_callers.clear();
    m_calledFunction = &function;
    constexpr quint32 noRow = std::numeric_limits<quint32>::max();
    std::vector<quint32> rowOfCaller(index.functionIdCount(), noRow);
    const int memory = memoryEvent();
    // Positions come in pre-order, so a call inside a counted call of the
    // same caller comes after it and before the end of its subtree.
    for (quint32 position = 0; position < index.size(); ++position) {
        if (index.functionIdAt(position) != function.id() || &index.call(position).function() != &function)
            continue;
        const ProfiledFunctionCall &call = index.call(position);
        const ProfiledFunctionCall *caller = call.parent();
        if (!caller)
            continue;
        quint32 &row = rowOfCaller[caller->functionId()];
        if (row == noRow) {
            row = quint32(m_callers.size());
            m_callers.push_back({ &caller->function(), {} });
        }
        Caller &entry = m_callers[row];
        entry.calls.push_back(&call);
        entry.totalSelfTime = Cost::addBits(entry.totalSelfTime, call.selfTime(), false);
        if (memory >= 0)
            entry.totalSelfMemory = Cost::addBits(entry.totalSelfMemory, call.selfCost(memory).bits(), true);
        if (position >= entry.countedUntil) {
            entry.totalInclusiveTime = Cost::addBits(entry.totalInclusiveTime, call.inclusiveTime(), false);
            if (memory >= 0)
                entry.totalInclusiveMemory
                    = Cost::addBits(entry.totalInclusiveMemory, call.inclusiveCost(memory).bits(), true);
            entry.countedUntil = index.subtreeEnd(position);
        }
    }
    endFillRows(m_callers.size());
}

QVariant CallersController::cellValue(quint32 rowIndex, int identifier) const
{
    const Caller &caller = m_callers[rowIndex];
    switch (identifier) {
    case FunctionColumn:
        return caller.function->name();
    case CallCountColumn:
        return QString::number(caller.calls.size());
    case TotalSelfTimeColumn:
        return timeText(caller.totalSelfTime);
    case TotalInclusiveTimeColumn:
        return timeText(caller.totalInclusiveTime);
    case TotalSelfMemoryColumn:
        return memoryEvent() < 0 ? QVariant() : memoryText(Cost::fromBits(caller.totalSelfMemory, true));
    case TotalInclusiveMemoryColumn:
        return memoryEvent() < 0 ? QVariant() : memoryText(Cost::fromBits(caller.totalInclusiveMemory, true));
    default:
        return {};
    }
}

const FunctionModel &CallersController::functionOfRow(quint32 rowIndex) const
{
    return *m_callers[rowIndex].function;
}

const QString &CallersController::textForSort(quint32 rowIndex, int) const
{
    return m_callers[rowIndex].function->name();
}

quint64 CallersController::numberForSort(quint32 rowIndex, int identifier) const
{
    const Caller &caller = m_callers[rowIndex];
    switch (identifier) {
    case CallCountColumn:
        return caller.calls.size();
    case TotalSelfTimeColumn:
        return caller.totalSelfTime;
    case TotalInclusiveTimeColumn:
        return caller.totalInclusiveTime;
    case TotalSelfMemoryColumn:
        return sortKey(qint64(caller.totalSelfMemory));
    case TotalInclusiveMemoryColumn:
        return sortKey(qint64(caller.totalInclusiveMemory));
    default:
        return 0;
    }
}

QString CallersController::columnTitle(int identifier) const
{
    switch (identifier) {
    case FunctionColumn:
        return tr("Caller");
    case CallCountColumn:
        return tr("Calls");
    case TotalSelfTimeColumn:
        return tr("Total\nself");
    case TotalInclusiveTimeColumn:
        return tr("Total\ninclusive");
    case TotalSelfMemoryColumn:
        return tr("Total self\nmemory");
    case TotalInclusiveMemoryColumn:
        return tr("Total incl.\nmemory");
    default:
        return {};
    }
}

QString CallersController::columnSample(int identifier) const
{
    switch (identifier) {
    case FunctionColumn:
        return {};
    case CallCountColumn:
        return QStringLiteral("888888");
    case TotalSelfMemoryColumn:
    case TotalInclusiveMemoryColumn:
        return widestMemoryText();
    default:
        return widestTimeText();
    }
}
