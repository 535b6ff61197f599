#pragma once

#include <QAbstractItemView>

class QAbstractItemModel;
class QHeaderView;
class QTableView;

// Sets a table view up the way the application's tables look and behave:
// it shows `model`, selects whole rows, edits nothing, has alternating rows
// without grid or row numbers, fixed row heights (which keep a table of a
// million rows cheap to lay out) and fixed columns, figures that keep their
// unit in a narrow column (FigureDelegate), and sorts on a click on
// a column header, starting with the given column and order.
void setUpTableView(QTableView &table, QAbstractItemModel *model, QAbstractItemView::SelectionMode selectionMode,
    int sortColumn, Qt::SortOrder sortOrder);

// Sizes each column that has a sample text (ColumnSampleRole) to fit that
// text and its title; with `stretchTheRest`, the columns without one share
// the room that is left.
void sizeColumnsToSamples(QHeaderView &header, bool stretchTheRest);
