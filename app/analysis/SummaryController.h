#pragma once

#include "GraphSummary.h"
#include "TableController.h"

#include <memory>
#include <vector>

class MergedCallTree;
class Profile;
class ProfiledFunctionCall;
class ProfiledFunctionSummary;

// The function summary table: one row per function called below the
// selected call (or every call along the selected call path), with its call count and average and total times and
// memory.
class SummaryController final : public TableController
{
    Q_OBJECT
public:
    enum Column {
        FunctionColumn,
        AverageSelfTimeColumn,
        AverageInclusiveTimeColumn,
        TotalSelfTimeColumn,
        TotalInclusiveTimeColumn,
        CallCountColumn,
        AverageSelfMemoryColumn,
        AverageInclusiveMemoryColumn,
        TotalSelfMemoryColumn,
        TotalInclusiveMemoryColumn,
        ColumnCount,
        FirstMemoryColumn = AverageSelfMemoryColumn
    };

    explicit SummaryController(QObject *parent = nullptr);
    ~SummaryController() override;

    // Empties the table.
    void reset();
    // Summarises everything below `call`, the call itself excluded.
    void populateFromFunction(const ProfiledFunctionCall &call);
    // Shows the rows of a profile written per function, which has no calls
    // (see GraphSummary).
    void populateFromGraphRows(std::vector<GraphSummary::Row> rows);
    // Summarises everything below the calls along `path` of `paths`, merged
    // from `profile`'s calls, the calls themselves excluded.
    void populateFromPath(const Profile &profile, const MergedCallTree &paths, quint32 path);

    // The summary of the shown row `row`, which must be there.
    const ProfiledFunctionSummary &summaryAt(int row) const { return *m_summaries[rowIndexAt(row)]; }
    // Of a row of a profile written per function, null for a row of calls.
    const GraphSummary::Row *graphRowAt(int row) const
    {
        return m_graphRows.empty() ? nullptr : &m_graphRows[rowIndexAt(row)];
    }
    const FunctionModel &functionAt(int row) const { return functionOfRow(rowIndexAt(row)); }

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn; }
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;

private:
    void fill(std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries);
    QVariant graphCellData(const GraphSummary::Row &row, int column, int role) const;

    std::vector<std::unique_ptr<ProfiledFunctionSummary>> m_summaries;
    // In place of the summaries, for a profile written per function.
    std::vector<GraphSummary::Row> m_graphRows;
};
