#pragma once

#include "Cost.h"
#include "CostUnit.h"

#include <KFSharedDefaultsObserver.h>

#include <QAbstractTableModel>

#include <vector>

class Formatter;
class FunctionModel;

// Base of the document's analysis tables, as models: holds which of the
// subclass's rows are shown and in what order, hides the rows of internal
// PHP functions while the table's setting says so, sorts by the sort
// column, and redisplays when the time unit or the dash setting changes.
// Columns are identified by their number. The subclass keeps the rows
// themselves, in the order it filled them, and answers for each by its
// position there.
class TableController : public QAbstractTableModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    ~TableController() override;

    // The unit of the times of the profile the rows come from.
    void setCostUnit(const CostUnit &unit) { m_costUnit = unit; }
    // The profile's memory event, or -1 when it records none: the
    // subclass's memory columns are empty then.
    void setMemoryEvent(int event) { m_memoryEvent = event; }
    int memoryEvent() const { return m_memoryEvent; }

    // The value of column `identifier` for the visible row `row`; empty for
    // an identifier that is not one of the table's columns or a row that is
    // not there.
    QVariant objectValueForTableColumn(int identifier, int row) const;
    // Redisplays every cell.
    void reloadData();
    // Shows every row (true) or hides those of internal PHP functions.
    void filterPhpInternalFunctions(bool show);
    // True while only the rows that pass the filter are shown.
    bool isFiltering() const { return m_filtering; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A click on a column header: sort by that column, then redisplay.
    void sort(int column, Qt::SortOrder order) override;

protected:
    // `filterKey` is the setting that says whether the table shows internal
    // PHP functions; the table observes it and refilters on a change. With
    // no key every row is shown. Columns are numbered from 0 to
    // `columnCount` - 1.
    TableController(
        const QString &filterKey, int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent);

    // The subclass replaces its rows between these two; endFillRows then
    // sorts its `count` rows and filters them by the table's setting.
    void beginFillRows();
    void endFillRows(size_t count);
    // The position in the subclass's rows of the visible row `row`, which
    // must be there.
    quint32 rowIndexAt(int row) const { return visibleRows()[size_t(row)]; }
    QString timeText(quint64 cost) const;
    // The time that time columns are sized for, in the current unit.
    QString widestTimeText() const;
    // A memory figure, e.g. "1.50 MiB".
    static QString memoryText(Cost cost);
    // A memory figure as wide as a memory column usually shows.
    static QString widestMemoryText();
    // A signed figure as a number for sorting that keeps its order.
    static quint64 sortKey(qint64 value) { return quint64(value) ^ (quint64(1) << 63); }

    // What the subclass answers for its row at `rowIndex`.
    virtual QVariant cellValue(quint32 rowIndex, int identifier) const = 0;
    virtual const FunctionModel &functionOfRow(quint32 rowIndex) const = 0;
    virtual const QString &textForSort(quint32 rowIndex, int identifier) const = 0;
    virtual quint64 numberForSort(quint32 rowIndex, int identifier) const = 0;
    virtual QString columnTitle(int identifier) const = 0;
    // A text as wide as the widest value the column usually shows, which
    // sizes the column; empty for the columns that take the room left.
    virtual QString columnSample(int identifier) const = 0;
    // The column that shows the function's label.
    virtual int functionColumn() const = 0;
    // Text columns sort by text, the others by number.
    virtual bool isTextColumn(int identifier) const = 0;

private:
    const std::vector<quint32> &visibleRows() const { return m_filtering ? m_filtered : m_rows; }
    bool showsInternalFunctions() const;
    void applyFilter(bool show);
    // Sorts the visible rows; answers each old row's new position.
    std::vector<int> sortRows();
    // Sorts the visible rows, keeping the views' persistent indexes on them.
    void sortKeepingIndexes();

    const QString m_filterKey;
    const int m_columnCount;
    Formatter &m_formatter;
    CostUnit m_costUnit;
    int m_memoryEvent = -1;
    // The subclass's rows, by position, in the order of the last fill or
    // of the last sort without a filter.
    std::vector<quint32> m_rows;
    // The rows that pass the filter, in their own order.
    std::vector<quint32> m_filtered;
    bool m_filtering = false;
    int m_sortColumn;
    Qt::SortOrder m_sortOrder;
};
