#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws a cell's text so that a figure too wide for its column keeps its
// unit and sign: it loses decimals first, then moves to a larger unit of
// its kind, and only then loses digits in the middle. Other texts are cut
// as the view's elide mode says. A cell whose text was shortened shows the
// whole text as its tooltip.
class FigureDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // `text` as drawn in at most `width` pixels of `metrics`.
    static QString fitted(
        const QString &text, const QFontMetrics &metrics, int width, Qt::TextElideMode mode, const QLocale &locale);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

protected:
    // The width the style gives a cell's text, inside its margins.
    static int textRoom(const QStyleOptionViewItem &cell);
};
