#include "CallTreeView.h"

#include "FunctionLabelDelegate.h"
#include "OutlineModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

CallTreeView::CallTreeView(QWidget *parent)
    : QTreeView(parent)
{
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // The outline keeps the file's order: no column sorts it.
    header()->setSectionsClickable(false);
    header()->setHighlightSections(false);
    connect(header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section != 0)
            fitFunctionColumn();
    });
}

void CallTreeView::setOutlineModel(OutlineModel *model)
{
    m_model = model;
    setModel(model);
    fitFunctionColumn();
}

bool CallTreeView::viewportEvent(QEvent *event)
{
    const bool handled = QTreeView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        fitFunctionColumn();
    return handled;
}

void CallTreeView::fitFunctionColumn()
{
    QHeaderView *columns = header();
    if (columns->count() == 0)
        return;
    int others = 0;
    for (int section = 1; section < columns->count(); ++section)
        others += columns->isSectionHidden(section) ? 0 : columns->sectionSize(section);
    columns->resizeSection(0, qMax(minimumFunctionWidth, viewport()->width() - others));
}

void CallTreeView::toggleRow(int row)
{
    if (!m_model)
        return;
    if (m_model->isExpanded(row))
        m_model->collapseRow(row);
    else
        m_model->expandRow(row);
}

void CallTreeView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex hit = indexAt(event->position().toPoint());
    // The empty space below the rows keeps the selection.
    if (!hit.isValid()) {
        event->accept();
        return;
    }
    if (m_model && event->button() == Qt::LeftButton && m_model->isExpandable(hit.row())) {
        const QRect triangle = FunctionLabelDelegate::disclosureRect(visualRect(hit), m_model->depthOfRow(hit.row()));
        if (triangle.contains(event->position().toPoint())) {
            toggleRow(hit.row());
            return;
        }
    }
    QTreeView::mousePressEvent(event);
}

void CallTreeView::keyPressEvent(QKeyEvent *event)
{
    const int row = currentIndex().row();
    if (!m_model || row < 0 || event->modifiers() & ~Qt::KeypadModifier) {
        QTreeView::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Right:
        if (m_model->isExpandable(row) && !m_model->isExpanded(row))
            m_model->expandRow(row);
        else if (m_model->isExpanded(row))
            setCurrentIndex(m_model->index(row + 1, 0));
        return;
    case Qt::Key_Left:
        if (m_model->isExpanded(row)) {
            m_model->collapseRow(row);
        } else if (const int parent = m_model->parentRow(row); parent >= 0) {
            setCurrentIndex(m_model->index(parent, 0));
        }
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}
