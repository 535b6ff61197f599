#pragma once

#include <QAbstractTableModel>

#include <vector>

class SifterFileEntry;

// The watcher window's table: the visible list of entries, four columns
// (name, size, creation date, status text), text coloured by status and
// match, sorted by each column's value.
class SifterTableModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, CreationDateColumn, StatusColumn, ColumnCount };

    explicit SifterTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Remembers the order and sorts the visible list by it.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Replaces the visible list (entries not owned), in the given order.
    void setEntries(std::vector<SifterFileEntry *> entries);
    const std::vector<SifterFileEntry *> &entries() const { return m_entries; }
    SifterFileEntry *entryAt(int row) const;
    // Sorts again by the remembered order.
    void sortEntries();
    // The entries' fields changed; the rows are the same.
    void reloadData();

    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

private:
    // The cell text of `entry` in `column`.
    static QString cellText(const SifterFileEntry &entry, int column);

    std::vector<SifterFileEntry *> m_entries;
    int m_sortColumn = NameColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
