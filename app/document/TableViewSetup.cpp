#include "TableViewSetup.h"

#include "FigureDelegate.h"
#include "ViewRoles.h"

#include <QHeaderView>
#include <QTableView>

namespace {

// Room beside a cell's text for its margins, and beside a title for the
// sort indicator.
constexpr int cellPadding = 14;
constexpr int titlePadding = 26;

} // namespace

void setUpTableView(QTableView &table, QAbstractItemModel *model, QAbstractItemView::SelectionMode selectionMode,
    int sortColumn, Qt::SortOrder sortOrder)
{
    table.setModel(model);
    table.setItemDelegate(new FigureDelegate(&table));
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

void sizeColumnsToSamples(QHeaderView &header, bool stretchTheRest)
{
    const QAbstractItemModel *model = header.model();
    if (!model)
        return;
    const QWidget *cells = header.parentWidget() ? header.parentWidget() : &header;
    for (int section = 0; section < header.count(); ++section) {
        const QString sample = model->headerData(section, header.orientation(), ColumnSampleRole).toString();
        if (sample.isEmpty()) {
            if (stretchTheRest)
                header.setSectionResizeMode(section, QHeaderView::Stretch);
            continue;
        }
        const QString title = model->headerData(section, header.orientation()).toString();
        const int width = qMax(cells->fontMetrics().horizontalAdvance(sample) + cellPadding,
            header.fontMetrics().size(0, title).width() + titlePadding);
        header.setSectionResizeMode(section, QHeaderView::Interactive);
        header.resizeSection(section, width);
    }
}
