#pragma once

// A data table's columns added in one statement: their types in order, then
// their names, which QFETCH reads them by.

#include <QTest>

#include <array>

template <typename... Types>
void addColumns(const std::array<const char *, sizeof...(Types)> &names)
{
    size_t column = 0;
    (QTest::addColumn<Types>(names[column++]), ...);
}
