#pragma once

#include <QTest>

// Adds a data column for each name, of the type in the same place:
// addColumns<int, QString>("count", "name").
template <typename... Types, typename... Names> void addColumns(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one type per column name");
    (QTest::addColumn<Types>(names), ...);
}

// The current row's value in the column `name`, for a value used once:
// fetched<int>("count").
template <typename T> T fetched(const char *name)
{
    return *static_cast<T *>(QTest::qData(name, qMetaTypeId<T>()));
}
