#pragma once

#include "CallTreeModel.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <KFUserDefaultsController.h>

#include <QAbstractItemModel>
#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

inline QByteArray profileHeader(bool withMemory = false)
{
    return QByteArray("version: 1\ncreator: test\ncmd: /x.php\npart: 1\n\nevents: Time")
        + (withMemory ? " Memory\n\n" : "\n\n");
}

// main -> render -> php::strlen, with self times 13, 5 and 2 microseconds.
inline const QByteArray workedExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\ncfn=render\ncalls=1 0 0\n2 7\n\n";

// The worked example with memory: main (1000 bytes) -> render (-40) ->
// php::strlen (100), and the profiler's peak memory of 2048 bytes.
inline const QByteArray memoryExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time Memory\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2 100\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5 -40\ncfn=php::strlen\ncalls=1 0 0\n12 2 100\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20 2048\n1 13 1000\ncfn=render\ncalls=1 0 0\n2 7 60\n\n";

// One record: a call with its own cost (and memory, for a header with
// memory) that calls the records named in `callees`.
inline QByteArray record(const QByteArray &file, const QByteArray &function, int line, quint64 cost,
    const QList<QByteArray> &callees = {}, std::optional<qint64> memory = {})
{
    QByteArray text = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' '
        + QByteArray::number(cost) + (memory ? ' ' + QByteArray::number(*memory) : QByteArray()) + '\n';
    for (const QByteArray &callee : callees)
        text += "cfn=" + callee + "\ncalls=1 0 0\n1 1\n";
    return text + '\n';
}

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
