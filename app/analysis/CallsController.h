#pragma once

#include "TableController.h"

#include <vector>

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

    // The call of the shown row `row`, which must be there.
    const ProfiledFunctionCall &callAt(int row) const { return *m_calls[rowIndexAt(row)]; }

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn || column == FileColumn; }
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;

private:
    std::vector<const ProfiledFunctionCall *> m_calls;
};
