#include "ComparisonCellDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QStyle>

using namespace Qt::StringLiterals;

QString ComparisonCellDelegate::elided(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    // A change: its sign, its figure with the unit, then its percentage.
    static const QRegularExpression change(u"^([+-])(.+)( \\([^()]*\\))$"_s);
    const QRegularExpressionMatch parts = change.match(text);
    if (parts.hasMatch()) {
        const QString sign = parts.captured(1);
        const QString share = parts.captured(3);
        const int room = width - metrics.horizontalAdvance(sign + share);
        if (room >= metrics.horizontalAdvance(u"\u2026"_s))
            return sign + metrics.elidedText(parts.captured(2), Qt::ElideMiddle, room) + share;
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

void ComparisonCellDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Cut here rather than in initStyleOption, which also serves the size
    // the whole text needs.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget *widget = cell.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    if (!cell.text.isEmpty()) {
        // The style draws the text inside a margin on each side.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const int width = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).width() - 2 * margin;
        cell.text = elided(cell.text, cell.fontMetrics, width);
    }
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}
