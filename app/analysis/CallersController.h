#pragma once

#include "FunctionGraph.h"
#include "TableController.h"

#include <vector>

class CallIndex;
class Profile;
class ProfiledFunctionCall;

// The callers table: for one function, every function that calls it
// anywhere in the tree, one row each, with the number of those calls and
// their total self and inclusive time and memory. Recursion is counted
// once (RecursionRule): a call inside another call that the same row counts
// adds its self figures but not its inclusive ones. Sums stop at the ends
// of their range.
class CallersController final : public TableController
{
    Q_OBJECT
public:
    enum Column {
        FunctionColumn,
        CallCountColumn,
        TotalSelfTimeColumn,
        TotalInclusiveTimeColumn,
        TotalSelfMemoryColumn,
        TotalInclusiveMemoryColumn,
        ColumnCount,
        FirstMemoryColumn = TotalSelfMemoryColumn
    };

    explicit CallersController(QObject *parent = nullptr);
    ~CallersController() override;

    // Empties the table.
    void reset();
    // The callers of `function` among the calls of `index`.
    void populateFromFunction(const FunctionModel &function, const CallIndex &index);
    // The callers of the node `node` of the function graph of `profile`,
    // written per function: a row per calling node with the number and the
    // inclusive totals of its calls, exact, as the graph's call edges record
    // them; the graph does not split the callee's self cost among its
    // callers, so the self columns stay empty.
    void populateFromGraph(const Profile &profile, quint32 node);
    // The node whose callers are listed, or none.
    quint32 calledNode() const { return m_calledNode; }
    // The function whose callers are listed; null when the table is empty
    // for want of one.
    const FunctionModel *calledFunction() const { return m_calledFunction; }

    // The calls that the caller of the shown row `row`, which must be
    // there, makes of the listed function, in pre-order.
    const std::vector<const ProfiledFunctionCall *> &callsAt(int row) const { return m_callers[rowIndexAt(row)].calls; }

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn; }
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;

private:
    struct Caller
    {
        const FunctionModel *function;
        std::vector<const ProfiledFunctionCall *> calls;
        // The calls counted by a function graph's edges, which has none.
        quint64 graphCalls = 0;
        quint64 totalSelfTime = 0;
        quint64 totalInclusiveTime = 0;
        // The memory totals' stored form (Cost).
        quint64 totalSelfMemory = 0;
        quint64 totalInclusiveMemory = 0;
    };

    std::vector<Caller> m_callers;
    const FunctionModel *m_calledFunction = nullptr;
    quint32 m_calledNode = FunctionGraph::none;
};
