#pragma once

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
    // Summarises everything below the calls along `path` of `paths`, merged
    // from `profile`'s calls, the calls themselves excluded.
    void populateFromPath(const Profile &profile, const MergedCallTree &paths, quint32 path);

    // The summary of the shown row `row`, which must be there.
    const ProfiledFunctionSummary &summaryAt(int row) const { return *m_summaries[rowIndexAt(row)]; }

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn; }
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;

private:
    void fill(std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries);

    std::vector<std::unique_ptr<ProfiledFunctionSummary>> m_summaries;
};
