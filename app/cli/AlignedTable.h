#pragma once

#include "OutputStream.h"

#include <QStringList>

#include <algorithm>
#include <vector>

// Writes a table of right-aligned cells under `headers`, each row ended by
// its function's name, left as it is: the widths are measured over every
// row first, so that each row is written as it is made. Stops at the first
// failed write.
template <typename Rows, typename Cells, typename Name>
void writeAlignedTable(
    OutputStream &out, const QStringList &headers, const Rows &rows, const Cells &cells, const Name &nameOf)
{
    std::vector<qsizetype> widths;
    for (const QString &header : headers)
        widths.push_back(header.size());
    for (const auto row : rows) {
        const QStringList line = cells(row);
        for (qsizetype column = 0; column < line.size(); ++column)
            widths[size_t(column)] = std::max(widths[size_t(column)], line[column].size());
    }
    const auto printLine = [&](const QStringList &line) {
        for (qsizetype column = 0; column < line.size(); ++column)
            out.pad(widths[size_t(column)] - line[column].size()) << line[column] << "  ";
    };
    printLine(headers);
    out << "function\n";
    for (const auto row : rows) {
        printLine(cells(row));
        out << nameOf(row) << '\n';
        if (out.hasFailed())
            return;
    }
}
