#pragma once

#include "CallTreeModel.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <KFUserDefaultsController.h>

#include <QAbstractItemModel>
#include <QByteArray>
#include <QList>
#include <QStringList>

inline QByteArray profileHeader()
{
    return "version: 1\ncreator: test\ncmd: /x.php\npart: 1\n\nevents: Time\n\n";
}

// main -> render -> php::strlen, with self times 13, 5 and 2 microseconds.
inline const QByteArray workedExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\ncfn=render\ncalls=1 0 0\n2 7\n\n";

// One record: a call with its own cost that calls the records named in `callees`.
inline QByteArray record(
    const QByteArray &file, const QByteArray &function, int line, quint64 cost, const QList<QByteArray> &callees = {})
{
    QByteArray text
        = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' ' + QByteArray::number(cost) + '\n';
    for (const QByteArray &callee : callees)
        text += "cfn=" + callee + "\ncalls=1 0 0\n1 1\n";
    return text + '\n';
}

// Each row's cells joined by "|", or only the cells of `column`.
inline QStringList tableRows(const QAbstractItemModel &table, int column = -1)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c) {
            if (column < 0 || c == column)
                cells << table.index(row, c).data().toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// Outline rows indented by depth, " -" when expanded and " +" when expandable.
inline QStringList outlineRows(const CallTreeModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << QString(model.depthOfRow(row) * 2, QLatin1Char(' ')) + model.callAtRow(row)->function().name()
                + (model.isExpanded(row)          ? QStringLiteral(" -")
                        : model.isExpandable(row) ? QStringLiteral(" +")
                                                  : QString());
    }
    return rows;
}

inline KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}
