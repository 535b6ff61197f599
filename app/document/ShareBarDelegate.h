#pragma once

#include "FigureDelegate.h"

// Paints a cell's share of a whole (ShareRole, a fraction from 0 to 1) as a
// bar from the cell's left edge, behind the cell's text, which is fitted as
// FigureDelegate fits a figure.
class ShareBarDelegate final : public FigureDelegate
{
    Q_OBJECT
public:
    using FigureDelegate::FigureDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
