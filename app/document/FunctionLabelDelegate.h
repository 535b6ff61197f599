#pragma once

#include "FigureDelegate.h"

// Paints a function's label in the outline and the tables: the picture of
// its kind, then its name raised 2.0 points against the picture, in the
// colours of its FormattedName, elided in the middle when the cell is too
// narrow. In the outline it
// also indents the row by its depth and draws the disclosure triangle of a
// call that has children. Deep rows are indented less per level, never by
// more than a share of the cell, and show their depth as a number, so that
// a framework stack of a hundred levels keeps its names in view. Cells
// without a function are FigureDelegate's.
class FunctionLabelDelegate final : public FigureDelegate
{
    Q_OBJECT
public:
    using FigureDelegate::FigureDelegate;

    // Indentation per level down to `fullyIndentedDepth`, then
    // `deepIndentation` per level; all of it at most `maximumIndentShare`
    // of the cell's width and at most `maximumIndentation`.
    static constexpr int indentation = 12;
    static constexpr int fullyIndentedDepth = 10;
    static constexpr int deepIndentation = 3;
    static constexpr double maximumIndentShare = 0.3;
    static constexpr int maximumIndentation = 360;

    // The indentation of a row at `depth` in a cell `cellWidth` wide; a
    // width of 0 bounds it by `maximumIndentation` only.
    static int indentationOf(int depth, int cellWidth);
    // Where the disclosure triangle of a row at `depth` sits within `cell`.
    static QRect disclosureRect(const QRect &cell, int depth);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    // An outline row that names no function (the calls hidden under a
    // parent), lined up with its siblings' names.
    void paintWithoutFunction(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
};
