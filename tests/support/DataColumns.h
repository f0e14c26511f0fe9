#pragma once

// A data table's columns added in one statement, their types in order and
// then their names, and the current row read back in one, by the names its
// table was given:
//   addColumns<QString, int>({"name", "count"});
//   const auto [name, count] = fetchRow<QString, int>();

#include <QHash>
#include <QTest>

#include <array>
#include <tuple>
#include <utility>

// The column names of each test function's table, kept from its data
// function, which runs under the test function's name.
inline QHash<QByteArray, QList<QByteArray>> &columnNames()
{
    static QHash<QByteArray, QList<QByteArray>> names;
    return names;
}

template <typename... Types>
void addColumns(const std::array<const char *, sizeof...(Types)> &names)
{
    QList<QByteArray> &kept = columnNames()[QTest::currentTestFunction()];
    kept.clear();
    size_t column = 0;
    (QTest::addColumn<Types>(names[column++]), ...);
    for (const char *name : names)
        kept << name;
}

template <typename... Types, size_t... Column>
std::tuple<Types...> fetchColumns(const QList<QByteArray> &names, std::index_sequence<Column...>)
{
    return {
        *static_cast<Types *>(QTest::qData(names.at(Column).constData(), qMetaTypeId<Types>()))...};
}

template <typename... Types>
std::tuple<Types...> fetchRow()
{
    const QList<QByteArray> names = columnNames().value(QTest::currentTestFunction());
    if (names.size() != qsizetype(sizeof...(Types)))
        qFatal("%s reads %d columns of a table of %lld", QTest::currentTestFunction(),
               int(sizeof...(Types)), qint64(names.size()));
    return fetchColumns<Types...>(names, std::index_sequence_for<Types...>{});
}
