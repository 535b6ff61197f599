#include "TableViewSetup.h"

#include <QHeaderView>
#include <QTableView>

void setUpTableView(QTableView &table, QAbstractItemModel *model, QAbstractItemView::SelectionMode selectionMode,
    int sortColumn, Qt::SortOrder sortOrder)
{
    table.setModel(model);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setSelectionMode(selectionMode);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setWordWrap(false);
    table.setAlternatingRowColors(true);
    table.setShowGrid(false);
    QHeaderView *rows = table.verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(table.fontMetrics().height() + 6);
    rows->hide();
    QHeaderView *columns = table.horizontalHeader();
    columns->setSectionsMovable(false);
    columns->setHighlightSections(false);
    columns->setSortIndicator(sortColumn, sortOrder);
    table.setSortingEnabled(true);
}
