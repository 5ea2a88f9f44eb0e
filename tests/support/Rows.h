#pragma once

// The tests' one table runner: runs a check on every row of a table, and a
// failure names the row by its index and by its label when it has one (a
// Label() method, or a member named what or name).

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>
#include <utility>

namespace testsupport
{
namespace rows
{
template <typename T, typename = void>
struct HasLabel : std::false_type
{
};
template <typename T>
struct HasLabel<T, std::void_t<decltype(std::declval<const T&>().Label())>> : std::true_type
{
};
template <typename T, typename = void>
struct HasWhat : std::false_type
{
};
template <typename T>
struct HasWhat<T, std::void_t<decltype(std::declval<const T&>().what)>> : std::true_type
{
};
template <typename T, typename = void>
struct HasName : std::false_type
{
};
template <typename T>
struct HasName<T, std::void_t<decltype(std::declval<const T&>().name)>> : std::true_type
{
};

template <typename Row>
::testing::Message Describe(size_t index, const Row& row)
{
    ::testing::Message message;
    message << "row " << index;
    if constexpr (HasLabel<Row>::value)
        message << " (" << row.Label() << ")";
    else if constexpr (HasWhat<Row>::value)
        message << " (" << row.what << ")";
    else if constexpr (HasName<Row>::value)
        message << " (" << row.name << ")";
    return message;
}
} // namespace rows

// Calls check(row) for every row in table order; an assertion that fails in
// check ends that row only.
template <typename Table, typename Check>
void CheckRows(const Table& table, Check check)
{
    size_t index = 0;
    for (const auto& row : table)
    {
        SCOPED_TRACE(rows::Describe(index++, row));
        check(row);
    }
}
} // namespace testsupport
