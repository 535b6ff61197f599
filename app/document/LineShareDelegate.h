#pragma once

#include <QStyledItemDelegate>

// Shades a cell by its row's share of the whole (ShareRole): the more, the
// deeper the highlight colour behind it.
class LineShareDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
