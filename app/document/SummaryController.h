#pragma once

#include "TableController.h"

#include <memory>
#include <vector>

class CallsController;
class ProfiledFunctionSummary;

// The function summary table (tab 1): one row per function called below the
// selected call, with its call count and average and total times. A
// double-click lists that function's calls in the calls table.
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
        CallCountColumn
    };

    explicit SummaryController(QObject *parent = nullptr);
    ~SummaryController() override;

    void setCallsController(CallsController *callsController) { m_callsController = callsController; }

    void reset() override;
    // Summarises everything below `call`, the call itself excluded.
    void populateFromFunction(const ProfiledFunctionCall &call) override;
    QVariant objectValueForTableColumn(int identifier, int row) const override;
    void doubleClick(int clickedRow) override;

    const ProfiledFunctionSummary &summaryAt(int row) const;

protected:
    QString columnTitle(int identifier) const override;
    int functionColumn() const override { return FunctionColumn; }
    bool isTextColumn(int identifier) const override { return identifier == FunctionColumn; }
    const QString &textForSort(const ProfiledFunction &row, int identifier) const override;
    quint64 numberForSort(const ProfiledFunction &row, int identifier) const override;

private:
    CallsController *m_callsController = nullptr;
    // The rows' summaries; the base's row lists point into them.
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> m_summaries;
};
