#pragma once

#include "TableController.h"

#include <vector>

class MergedCallTree;
class Profile;
class ProfiledFunctionCall;

// The calls table: individual calls with their position among their
// siblings, function, times, source location and memory.
class CallsController final : public TableController
{
    Q_OBJECT
public:
    enum Column {
        PositionColumn,
        FunctionColumn,
        SelfTimeColumn,
        InclusiveTimeColumn,
        FileColumn,
        LineColumn,
        SelfMemoryColumn,
        InclusiveMemoryColumn,
        ColumnCount,
        FirstMemoryColumn = SelfMemoryColumn
    };

    explicit CallsController(QObject *parent = nullptr);
    ~CallsController() override;

    // Empties the table.
    void reset();
    // The children of `call`.
    void populateFromFunction(const ProfiledFunctionCall &call);
    void populateFromArray(std::vector<const ProfiledFunctionCall *> calls);
    // The callees of `path` merged: a row per child path of `paths`, merged
    // from `profile`'s calls, with the totals over the child's calls; its
    // call, place and source are those of the child's first call. Paths
    // estimated from a function graph have no call: their source is their
    // function's in the graph. Both outlive the rows.
    void populateFromPath(const Profile &profile, const MergedCallTree &paths, quint32 path);

    // The call of the shown row `row`, which must be there.
    const ProfiledFunctionCall &callAt(int row) const { return *m_calls[rowIndexAt(row)]; }
    // Whether the shown row `row` has a call: a row of an estimated path
    // has none, only its path.
    bool hasCallAt(int row) const { return m_calls[rowIndexAt(row)] != nullptr; }
    quint32 pathAt(int row) const { return m_rowPaths[rowIndexAt(row)]; }

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn || column == FileColumn; }
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;

private:
    QVariant callCellData(const ProfiledFunctionCall &call, int column, int role) const;
    QVariant mergedCellData(quint32 rowIndex, int column, int role) const;
    QVariant estimatedCellData(quint32 path, int column, int role) const;

    std::vector<const ProfiledFunctionCall *> m_calls;
    // With merged rows: the tree and the path of each row, else null.
    const Profile *m_profile = nullptr;
    const MergedCallTree *m_paths = nullptr;
    std::vector<quint32> m_rowPaths;
    int m_timeEvent = 0;
};
