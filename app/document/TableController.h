#pragma once

#include "CostUnit.h"

#include <KFSharedDefaultsObserver.h>

#include <QAbstractTableModel>

#include <vector>

class CallTreeView;
class Formatter;
class ProfiledFunction;
class ProfiledFunctionCall;
class QTabWidget;
class QTableView;

// Base of the document's two analysis tables: holds the rows, hides the
// rows of internal PHP functions on request, sorts by the table's sort
// column, brings its own tab to the front, and redisplays when the time
// unit or the dash setting changes. Columns are identified by their number.
class TableController : public QAbstractTableModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    static constexpr int columnCountOfTables = 6;

    ~TableController() override;

    // Connects the window's views: this controller feeds `tableView`, whose
    // double-click and Enter key run doubleClick.
    void setViews(QTableView *tableView, QTabWidget *tabView, CallTreeView *outlineView);
    // The unit of the times of the profile the rows come from.
    void setCostUnit(const CostUnit &unit) { m_costUnit = unit; }

    virtual void populateFromFunction(const ProfiledFunctionCall &call) = 0;
    // The value of column `identifier` for the visible row `row`; empty for
    // an identifier outside 0 to 5.
    virtual QVariant objectValueForTableColumn(int identifier, int row) const = 0;
    // What a double-click (or Enter) on visible row `clickedRow` does;
    // nothing for a negative row.
    virtual void doubleClick(int clickedRow) = 0;
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    int paneId() const { return m_paneId; }
    // Empties the table.
    virtual void reset();
    // Re-orders the visible rows by the current sort column and order.
    void sort();
    // Redisplays every cell.
    void reloadData();
    void makeActive();
    // Shows every row (true) or hides those of internal PHP functions.
    void filterPhpInternalFunctions(bool show);

    const std::vector<const ProfiledFunction *> &data() const { return m_data; }
    const std::vector<const ProfiledFunction *> &visibleData() const { return m_filtering ? m_filtered : m_data; }
    // True while a second, filtered list is shown instead of data().
    bool isFiltering() const { return m_filtering; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A click on a column header: sort by that column, then redisplay.
    void sort(int column, Qt::SortOrder order) override;

protected:
    // `filterKey` is the setting that says whether the table shows internal
    // PHP functions; the controller observes it and refilters on a change.
    TableController(int paneId, const QString &filterKey, int sortColumn, Qt::SortOrder sortOrder, QObject *parent);

    // The filling pattern of both tables: the rows replace the old ones, are
    // sorted, and filtered by the table's own setting.
    void fillRows(std::vector<const ProfiledFunction *> &&rows);
    QString timeText(quint64 cost) const;
    bool showsInternalFunctions() const;

    virtual QString columnTitle(int identifier) const = 0;
    // The column that shows the function's label.
    virtual int functionColumn() const = 0;
    // Text columns sort by text, the others by number.
    virtual bool isTextColumn(int identifier) const = 0;
    virtual const QString &textForSort(const ProfiledFunction &row, int identifier) const = 0;
    virtual quint64 numberForSort(const ProfiledFunction &row, int identifier) const = 0;

    QTableView *tableView() const { return m_tableView; }
    QTabWidget *tabView() const { return m_tabView; }
    CallTreeView *outlineView() const { return m_outlineView; }
    Formatter &formatter() const { return m_formatter; }

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resetRows();
    void applyFilter(bool show);
    // Sorts the visible rows; answers each old row's new position.
    std::vector<int> sortRows();

    QTableView *m_tableView = nullptr;
    QTabWidget *m_tabView = nullptr;
    CallTreeView *m_outlineView = nullptr;
    const int m_paneId;
    const QString m_filterKey;
    Formatter &m_formatter;
    CostUnit m_costUnit;
    std::vector<const ProfiledFunction *> m_data;
    std::vector<const ProfiledFunction *> m_filtered;
    bool m_filtering = false;
    int m_sortColumn;
    Qt::SortOrder m_sortOrder;
};
