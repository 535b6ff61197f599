#pragma once

#include "CallPath.h"

#include <QAbstractItemModel>

// A call-tree outline's model, as the outline view drives it: the rows the
// outline shows are one flat list, each row with its depth and whether it
// is expanded, and expanding or collapsing a row inserts or removes the
// rows below it. Keeping the tree out of Qt's hierarchy lets the outline
// expand a chain a million calls deep (the tree view lays out nested rows
// by recursion) and scroll a million siblings smoothly. A row stands for a
// place in the tree told by its call path, so that a selection can move to
// another outline of the same program, or to its profile read again.
class ProfiledFunctionCall;

class OutlineModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    virtual bool isExpandable(int row) const = 0;
    virtual bool isExpanded(int row) const = 0;
    virtual int depthOfRow(int row) const = 0;
    virtual void expandRow(int row) = 0;
    virtual void collapseRow(int row) = 0;
    // The row above `row` in the tree, or -1 for a top row.
    int parentRow(int row) const;

    // The call the row shows (the first of those it stands for), or null.
    virtual const ProfiledFunctionCall *callAtRow(int row) const = 0;
    // Expands the rows above the one that shows `call` and answers that
    // row, or -1 when the outline does not show it.
    virtual int expandParents(const ProfiledFunctionCall &call) = 0;
    // The place the row shows; empty for a row that is not there.
    virtual CallPath pathAtRow(int row) const = 0;
    // Expands the rows above the place at `path` and answers the row that
    // shows it, or -1 when the tree has no such place.
    virtual int expandPath(const CallPath &path) = 0;

    QModelIndex parent(const QModelIndex &child) const override;
};
