#pragma once

#include <QStyledItemDelegate>

// Paints a cell's share of a whole (ShareRole, a fraction from 0 to 1) as a
// bar from the cell's left edge, behind the cell's text.
class ShareBarDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The bar's rectangle within `cell` for `share`, which is bounded to 0
    // to 1; empty for no share.
    static QRect barRect(const QRect &cell, double share);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
