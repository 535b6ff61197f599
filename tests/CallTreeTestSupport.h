#pragma once

#include "CallTreeModel.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"
#include "TestDefaults.h"
#include "TestProfiles.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QStringList>

// main -> [a1 -> [x, y -> [deep1, deep2], z], b, a2 -> [w]], one microsecond
// each; pre-order: main a1 x y deep1 deep2 z b a2 w.
inline QByteArray branchingProfile()
{
    return profileHeader() + record("/f.php", "x", 1, 1) + record("/f.php", "deep1", 2, 1)
        + record("/f.php", "deep2", 3, 1) + record("/f.php", "y", 4, 1, { "deep1", "deep2" })
        + record("/f.php", "z", 5, 1) + record("/f.php", "a1", 6, 1, { "x", "y", "z" }) + record("/f.php", "b", 7, 1)
        + record("/f.php", "w", 8, 1) + record("/f.php", "a2", 9, 1, { "w" })
        + record("/f.php", "main", 10, 1, { "a1", "b", "a2" });
}

// The call reached from `call` by the child names in `path` ("a1/y").
inline const ProfiledFunctionCall *callAtPath(const ProfiledFunctionCall *call, const QString &path)
{
    for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const ProfiledFunctionCall *next = nullptr;
        for (qsizetype i = 0; call && i < call->childCount() && !next; ++i)
            next = call->getChild(i)->function().name() == name ? call->getChild(i) : nullptr;
        call = next;
    }
    return call;
}

// The child names from the root down to `call`, as callAtPath takes them.
inline QString pathOfCall(const ProfiledFunctionCall *call)
{
    QStringList names;
    for (; call && call->parent(); call = call->parent())
        names.prepend(call->function().name());
    return names.join(QLatin1Char('/'));
}

// Each row's cells joined by "|", or only the cells of `column`. Empty
// cells at a row's end (the memory of a profile without) are left out.
inline QStringList tableRows(const QAbstractItemModel &table, int column = -1)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) {
            if (column < 0 || c == column)
                cells << table.index(row, c).data().toString();
        }
        while (cells.size() > 1 && cells.last().isEmpty())
            cells.removeLast();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Outline rows indented by depth, " -" when expanded and " +" when
// expandable: the function's name, or the text of a row without a call.
inline QStringList outlineRows(const OutlineModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << QString(model.depthOfRow(row) * 2, QLatin1Char(' ')) + model.index(row, 0).data().toString()
                + (model.isExpanded(row)          ? QStringLiteral(" -")
                        : model.isExpandable(row) ? QStringLiteral(" +")
                                                  : QString());
    }
    return rows;
}

// Selects the row whose `column` reads `text`, sorts by `sortColumn`, and
// answers where the selection has gone: the selected row, if it still
// reads `text`, or -1.
inline int rowAfterSort(QAbstractItemModel &model, int column, const QString &text, int sortColumn, Qt::SortOrder order)
{
    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(int(tableRows(model, column).indexOf(text)), column),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    model.sort(sortColumn, order);
    const QModelIndex current = selection.currentIndex();
    const bool kept = selection.isRowSelected(current.row()) && current.data().toString() == text;
    return kept ? current.row() : -1;
}
