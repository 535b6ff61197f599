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

    // The call of the visible row `row`, which must be there.
    const ProfiledFunctionCall &callAt(int row) const { return *m_calls[rowIndexAt(row)]; }

protected:
    QVariant cellValue(quint32 rowIndex, int identifier) const override;
    const FunctionModel &functionOfRow(quint32 rowIndex) const override;
    const QString &textForSort(quint32 rowIndex, int identifier) const override;
    quint64 numberForSort(quint32 rowIndex, int identifier) const override;
    QString columnTitle(int identifier) const override;
    QString columnSample(int identifier) const override;
    int functionColumn() const override { return FunctionColumn; }
    bool isTextColumn(int identifier) const override;

private:
    std::vector<const ProfiledFunctionCall *> m_calls;
};
