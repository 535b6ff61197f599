#pragma once

#include "FunctionModel.h"

#include <QMetaType>
#include <Qt>

// Data roles the document's models answer beyond Qt's own: the function a
// cell names (painted by FunctionLabelDelegate), for the outline the row's
// depth in the call tree and its disclosure state, a cell's share of a
// whole as a fraction from 0 to 1 (painted as a bar by ShareBarDelegate),
// and the key tables sort a cell by (SortableTableModel). Headers answer
// ColumnSampleRole with a text as wide as the column's usual widest value,
// empty for a column that takes the room left.
enum ViewRole {
    FunctionRole = Qt::UserRole + 1,
    DepthRole,
    ExpandableRole,
    ExpandedRole,
    ShareRole,
    SortRole,
    ColumnSampleRole,
};

// The figures that cost columns are sized for: a time of a little under two
// minutes, longer requests being rare enough to elide, and as wide a memory
// figure.
inline constexpr double widestTimeInMicroseconds = 99999999.0;
inline constexpr qint64 widestMemoryInBytes = -999990000;

Q_DECLARE_METATYPE(const FunctionModel *)
