#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

// Draws the comparison's cells cut in the middle where their column is too
// narrow, so a name keeps its start and its end and a figure its unit; a
// change keeps its sign and its percentage whole while any of its figure fits.
class ComparisonCellDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // `text` cut to at most `width` pixels in `metrics`, as drawn.
    static QString elided(const QString &text, const QFontMetrics &metrics, int width);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
