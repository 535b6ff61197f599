#pragma once

#include <QTest>

// Adds a data column for each name, of the type in the same place:
// addColumns<int, QString>("count", "name").
template <typename... Types, typename... Names> void addColumns(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one type per column name");
    (QTest::addColumn<Types>(names), ...);
}
