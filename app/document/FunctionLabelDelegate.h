#pragma once

#include <QStyledItemDelegate>

// Paints a function's label in the outline and both tables: its icon, then
// its name raised 2.0 points against the icon, in the colours of its display
// form. In the outline it also indents the row by its depth and draws the
// disclosure triangle of a call that has children.
class FunctionLabelDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Indentation per level, and the depth beyond which rows are indented no
    // further (a deep recursion would otherwise push its names out of sight).
    static constexpr int indentation = 14;
    static constexpr int maximumIndentedDepth = 80;

    // Where the disclosure triangle of a row at `depth` sits within `cell`.
    static QRect disclosureRect(const QRect &cell, int depth);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
