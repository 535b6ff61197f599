#pragma once

#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"
#include "SourceFileModel.h"

#include <QStringList>

#include <utility>
#include <vector>

// The call tree as indented lines, one per call in pre-order:
// "name self/inclusive #index @line source".
inline QStringList dumpTree(const ProfiledFunctionCall *root)
{
    QStringList lines;
    if (!root)
        return lines;
    std::vector<std::pair<const ProfiledFunctionCall *, int>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [call, depth] = pending.back();
        pending.pop_back();
        lines << QStringLiteral("%1%2 %3/%4 #%5 @%6 %7")
                     .arg(QString(depth * 2, QLatin1Char(' ')), call->function().name())
                     .arg(call->selfTime())
                     .arg(call->inclusiveTime())
                     .arg(call->indexInParent())
                     .arg(call->sourceLine())
                     .arg(call->source() ? call->source()->path() : QStringLiteral("none"));
        for (qsizetype i = call->childCount() - 1; i >= 0; --i)
            pending.emplace_back(call->getChild(i), depth + 1);
    }
    return lines;
}
