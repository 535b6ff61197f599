#include "CallersController.h"

#include "CallIndex.h"
#include "CallTree.h"
#include "FunctionModel.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "RecursionRule.h"

#include <algorithm>

CallersController::CallersController(QObject *parent)
    : TableController(QString(), ColumnCount, TotalInclusiveTimeColumn, Qt::DescendingOrder, parent)
{ }

CallersController::~CallersController() = default;

void CallersController::reset()
{
    beginFillRows();
    m_callers.clear();
    m_calledFunction = nullptr;
    m_calledNode = FunctionGraph::none;
    endFillRows(0);
}

void CallersController::populateFromGraph(const Profile &profile, quint32 node)
{
    beginFillRows();
    m_callers.clear();
    m_calledFunction = nullptr;
    m_calledNode = node;
    const FunctionGraph &graph = profile.functionGraph();
    const int time = profile.timeEvent();
    const int memory = memoryEvent();
    // A caller may call from several lines: one row per calling node, in
    // the order of its first edge.
    std::vector<quint32> rowOfNode(graph.size(), FunctionGraph::none);
    for (quint32 i = 0; i < graph.callerEdgeCount(node); ++i) {
        const quint32 edge = graph.callerEdge(node, i);
        quint32 &row = rowOfNode[graph.caller(edge)];
        if (row == FunctionGraph::none) {
            row = quint32(m_callers.size());
            m_callers.push_back({ &profile.function(graph.function(graph.caller(edge))), {} });
        }
        Caller &entry = m_callers[row];
        entry.graphCalls += graph.edgeCalls(edge);
        entry.totalInclusiveTime
            = Cost::addBits(entry.totalInclusiveTime, graph.edgeInclusiveBits(time, edge), graph.isSigned(time));
        if (memory >= 0)
            entry.totalInclusiveMemory
                = Cost::addBits(entry.totalInclusiveMemory, graph.edgeInclusiveBits(memory, edge), true);
    }
    endFillRows(m_callers.size());
}

void CallersController::populateFromFunction(const FunctionModel &function, const CallIndex &index)
{
    beginFillRows();
    m_callers.clear();
    m_calledFunction = &function;
    m_calledNode = FunctionGraph::none;
    const CallTree &tree = index.tree();
    const size_t functionCount = size_t(function.profile().functionCount());
    constexpr quint32 noRow = CallTree::none;
    std::vector<quint32> rowOfCaller(functionCount, noRow);
    const int memory = memoryEvent();
    RecursionRule recursion(functionCount);
    // Every call is below the root, the last number; walked backwards.
    for (quint32 number = tree.root() ? tree.rootNumber() + 1 : 0; number-- > 0;) {
        const quint32 caller = tree.parent(number);
        if (caller == CallTree::none || tree.function(number) != function.id())
            continue;
        // A call of the function counts towards its caller's function.
        const quint32 row = tree.function(caller);
        const bool countsInclusive = recursion.countsInclusive(number, index.subtreeBegin(number), row);
        quint32 &shownRow = rowOfCaller[row];
        if (shownRow == noRow) {
            shownRow = quint32(m_callers.size());
            m_callers.push_back({ &tree.call(caller).function(), {} });
        }
        const ProfiledFunctionCall &call = tree.call(number);
        Caller &entry = m_callers[shownRow];
        entry.calls.push_back(&call);
        entry.totalSelfTime = Cost::addBits(entry.totalSelfTime, call.selfTime(), false);
        if (memory >= 0)
            entry.totalSelfMemory = Cost::addBits(entry.totalSelfMemory, call.selfCost(memory).bits(), true);
        if (countsInclusive) {
            entry.totalInclusiveTime = Cost::addBits(entry.totalInclusiveTime, call.inclusiveTime(), false);
            if (memory >= 0)
                entry.totalInclusiveMemory
                    = Cost::addBits(entry.totalInclusiveMemory, call.inclusiveCost(memory).bits(), true);
        }
    }
    // Calls, and callers by their first call, in pre-order.
    const auto before = [&index](const ProfiledFunctionCall *left, const ProfiledFunctionCall *right) {
        return index.precedes(left->callNumber(), right->callNumber());
    };
    for (Caller &entry : m_callers)
        std::sort(entry.calls.begin(), entry.calls.end(), before);
    std::sort(m_callers.begin(), m_callers.end(),
        [&](const Caller &left, const Caller &right) { return before(left.calls.front(), right.calls.front()); });
    endFillRows(m_callers.size());
}

QVariant CallersController::cellData(quint32 rowIndex, int column, int role) const
{
    const Caller &caller = m_callers[rowIndex];
    const bool fromGraph = m_calledNode != FunctionGraph::none;
    if (fromGraph && (column == TotalSelfTimeColumn || column == TotalSelfMemoryColumn))
        return {};
    switch (column) {
    case FunctionColumn:
        return functionCell(*caller.function, role);
    case CallCountColumn:
        return numberCell(fromGraph ? caller.graphCalls : caller.calls.size(), role);
    case TotalSelfTimeColumn:
        return timeCell(caller.totalSelfTime, role);
    case TotalInclusiveTimeColumn:
        return timeCell(caller.totalInclusiveTime, role);
    case TotalSelfMemoryColumn:
        return memoryCell(Cost::fromBits(caller.totalSelfMemory, true), role);
    case TotalInclusiveMemoryColumn:
        return memoryCell(Cost::fromBits(caller.totalInclusiveMemory, true), role);
    default:
        return {};
    }
}

const FunctionModel &CallersController::functionOfRow(quint32 rowIndex) const
{
    return *m_callers[rowIndex].function;
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
