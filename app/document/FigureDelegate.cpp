#include "FigureDelegate.h"

#include "CostFormat.h"
#include "PlainToolTip.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

QString FigureDelegate::fitted(
    const QString &text, const QFontMetrics &metrics, int width, Qt::TextElideMode mode, const QLocale &locale)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QStringList forms = CostFormat::shorterForms(text, locale);
    for (const QString &form : forms) {
        if (metrics.horizontalAdvance(form) <= width)
            return form;
    }
    const CostFormat::FigureParts parts = CostFormat::figureParts(forms.isEmpty() ? text : forms.last(), locale);
    if (parts.number.isEmpty())
        return metrics.elidedText(text, mode, width);
    // The last resort: digits from the middle, never the sign or the unit.
    const int room = width - metrics.horizontalAdvance(parts.sign + parts.unit);
    QString digits = metrics.elidedText(parts.number, Qt::ElideMiddle, room);
    if (digits.isEmpty())
        digits = QString(QChar(0x2026));
    return parts.sign + digits + parts.unit;
}

int FigureDelegate::textRoom(const QStyleOptionViewItem &cell)
{
    const QWidget *widget = cell.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The style draws the text inside a margin on each side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).width() - 2 * margin;
}

void FigureDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // Cut here rather than in initStyleOption, which also serves the size
    // the whole text needs.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    // The models write figures in the default locale; the view's own omits
    // digit grouping.
    if (!cell.text.isEmpty())
        cell.text = fitted(cell.text, cell.fontMetrics, textRoom(cell), cell.textElideMode, QLocale());
    const QWidget *widget = cell.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}

bool FigureDelegate::helpEvent(
    QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event && event->type() == QEvent::ToolTip && index.isValid() && !index.data(Qt::ToolTipRole).isValid()) {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        if (!cell.text.isEmpty() && cell.fontMetrics.horizontalAdvance(cell.text) > textRoom(cell)) {
            QToolTip::showText(event->globalPos(), plainToolTip(cell.text), view, option.rect);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
