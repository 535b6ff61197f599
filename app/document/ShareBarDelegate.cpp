#include "ShareBarDelegate.h"

#include "ViewRoles.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace {

constexpr int inset = 2;

// The bar's rectangle within `cell` for `share`, which is bounded to 0 to 1;
// empty for no share.
QRect barRect(const QRect &cell, double share)
{
    const QRect room = cell.adjusted(inset, inset, -inset, -inset);
    const double bounded = std::isfinite(share) ? qBound(0.0, share, 1.0) : 0.0;
    const int width = int(std::lround(bounded * room.width()));
    return width > 0 ? QRect(room.left(), room.top(), width, room.height()) : QRect();
}

} // namespace

void ShareBarDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // The background first, then the bar, then the text on top of both.
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QRect bar = barRect(option.rect, index.data(ShareRole).toDouble());
    if (!bar.isEmpty()) {
        QColor colour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
        colour.setAlphaF(0.35f);
        painter->fillRect(bar, colour);
    }

    cell.text = text;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget);
    painter->save();
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(cell.font);
    painter->drawText(textRect, int(cell.displayAlignment),
        fitted(text, cell.fontMetrics, textRect.width(), cell.textElideMode, QLocale()));
    painter->restore();
}
