#pragma once

#include "DocumentTab.h"

#include <memory>

class ColumnChooser;
class QAbstractItemDelegate;
class QTableView;
class TableController;

// A tab that shows one of the analysis tables: the table view over its
// model, the function's label drawn by the window's delegate, the columns
// sized to their usual widest value and hidden or shown from the header's
// menu. A double-click or Enter on a row activates it.
class TableTab : public DocumentTab
{
    Q_OBJECT
public:
    // The table of the columns of a table model.
    struct Columns
    {
        int function;
        // The memory columns are the last ones, from this one on.
        int firstMemory;
        // The setting that keeps the hidden columns.
        QString hiddenKey;
    };

    // `name` names the tab; its table is `name` with "View" in place of
    // "Tab" (callsTab: callsTableView).
    TableTab(const QString &name, std::unique_ptr<TableController> model, const Columns &columns,
        QAbstractItemDelegate &delegate, QWidget *parent = nullptr);
    ~TableTab() override;

    void showProfile(const Profile &profile) override;

    QTableView &tableView() const { return *m_table; }

protected:
    TableController &tableModel() const { return *m_model; }
    // A double-click or Enter on the shown row `row`.
    virtual void rowActivated(int row) = 0;

private:
    const std::unique_ptr<TableController> m_model;
    QTableView *m_table;
    ColumnChooser *m_columnChooser;
    const Columns m_columns;
};
