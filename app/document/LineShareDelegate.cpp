#include "LineShareDelegate.h"

#include "ViewRoles.h"

#include <QPalette>

void LineShareDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const double share = index.data(ShareRole).toDouble();
    if (share <= 0)
        return;
    // Even the smallest share shows, and the largest leaves the text legible.
    QColor shade = option->palette.color(QPalette::Highlight);
    shade.setAlphaF(float(0.08 + 0.5 * share));
    option->backgroundBrush = shade;
}
