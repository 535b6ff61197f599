#pragma once

#include <QStyledItemDelegate>

// Paints a cell's share of a whole (ShareRole, a fraction from 0 to 1) as a
// bar from the cell's left edge, behind the cell's text.
class ShareBarDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
