#include "CallTreeView.h"

#include "CallTreeModel.h"
#include "FunctionLabelDelegate.h"
#include "ProfiledFunctionCall.h"

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
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
}

void CallTreeView::setCallTreeModel(CallTreeModel *model)
{
    m_model = model;
    setModel(model);
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
    if (m_model && hit.isValid() && event->button() == Qt::LeftButton && m_model->isExpandable(hit.row())) {
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
        } else if (const ProfiledFunctionCall *parent = m_model->callAtRow(row)->parent()) {
            setCurrentIndex(m_model->index(m_model->rowOfCall(parent), 0));
        }
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}
