#pragma once

#include "TableController.h"

// The calls table (tab 0): individual calls with their position among their
// siblings, function, times and source location. A double-click selects the
// call in the outline, expanding its ancestors.
class CallsController final : public TableController
{
    Q_OBJECT
public:
    enum Column { PositionColumn, FunctionColumn, SelfTimeColumn, InclusiveTimeColumn, FileColumn, LineColumn };

    explicit CallsController(QObject *parent = nullptr);
    ~CallsController() override;

    // The children of `call`.
    void populateFromFunction(const ProfiledFunctionCall &call) override;
    void populateFromArray(const std::vector<const ProfiledFunctionCall *> &calls);
    QVariant objectValueForTableColumn(int identifier, int row) const override;
    void doubleClick(int clickedRow) override;
    // Expands every ancestor of `call` in the outline, the outermost first;
    // answers the outline row of `call`.
    int outlineExpandParents(const ProfiledFunctionCall &call);

    const ProfiledFunctionCall &callAt(int row) const;

protected:
    QString columnTitle(int identifier) const override;
    int functionColumn() const override { return FunctionColumn; }
    bool isTextColumn(int identifier) const override;
    const QString &textForSort(const ProfiledFunction &row, int identifier) const override;
    quint64 numberForSort(const ProfiledFunction &row, int identifier) const override;
};
