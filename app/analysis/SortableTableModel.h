#pragma once

#include <QAbstractTableModel>

#include <vector>

// The one way the application's tables sort and filter their rows. The
// subclass keeps its rows in its own list and answers each cell of them,
// for every role, in one place (cellData), SortRole included: a number
// (qulonglong, or qlonglong for signed figures) or a text, which sorts
// ignoring case first. Every row is sorted by the sort column, equal keys
// keeping their previous order in either direction; the rows that pass the
// subclass's filter are shown in that order. A sort ranks one integer key
// per row, made once per sort, so that a table of a million rows sorts
// about as fast as a million integers. Views' selections and current
// indexes follow their rows through a sort and a new filter.
class SortableTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // Redisplays every cell, e.g. after the time unit changed.
    void reloadData();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order) override;

protected:
    SortableTableModel(int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent);

    // The subclass replaces its rows between these two; endFillRows then
    // sorts its `count` rows and shows those that pass the filter.
    void beginFillRows();
    void endFillRows(size_t count);
    // Shows the rows that pass the filter now, in the sort order.
    void refilter();
    // The position in the subclass's list of the shown row `row`, which
    // must be there.
    quint32 rowIndexAt(int row) const { return m_shown[size_t(row)]; }

    // The value of `column` of the subclass's row `rowIndex` for `role`.
    virtual QVariant cellData(quint32 rowIndex, int column, int role) const = 0;
    // Text columns are aligned left and have their whole text as a tooltip.
    virtual bool isTextColumn(int column) const = 0;
    virtual bool filterAcceptsRow(quint32 rowIndex) const = 0;

private:
    // Each row's key for the sort column, in the order of `m_sorted`.
    std::vector<quint64> sortKeys() const;
    void sortRows();
    void showPassingRows();
    // Shows `shown` instead of the rows shown, moving persistent indexes
    // with their rows.
    void changeShownRows(std::vector<quint32> shown);

    const int m_columnCount;
    int m_sortColumn;
    Qt::SortOrder m_sortOrder;
    // Every row of the subclass, in the sort order.
    std::vector<quint32> m_sorted;
    // The rows that pass the filter, in the sort order.
    std::vector<quint32> m_shown;
};
