#pragma once

#include "SortableTableModel.h"

#include <vector>

class SifterFileEntry;

// The watcher window's table: the visible list of entries, four columns
// (name, size, creation date, status text), text coloured by status and
// match. Sorted the way every table is (SortableTableModel), by each
// column's value: names as texts, sizes and dates as numbers (unknown
// dates first), statuses in the order of SifterEntryStatus. A new list is
// taken in name order, so rows of equal value stand in name order until
// the next sort.
class SifterTableModel final : public SortableTableModel
{
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, CreationDateColumn, StatusColumn, ColumnCount };

    explicit SifterTableModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces the visible list (entries not owned) and sorts it.
    void setEntries(std::vector<SifterFileEntry *> entries);
    // The entry shown in `row`, or null.
    SifterFileEntry *entryAt(int row) const;
    // Sorts again by the current order: the entries' statuses may have
    // changed.
    void sortEntries();

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == NameColumn; }
    bool filterAcceptsRow(quint32) const override { return true; }

private:
    std::vector<SifterFileEntry *> m_entries;
};
