// The tests' one table runner: runs a check on every row of a table, and a
// failure names the row by its index and by its label when it has one (a
// Label() method, or a member named what or name).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

namespace testsupport
{
namespace rows
{
// A row's label: its Label(), else its member what, else its member name,
// else nothing (the index alone names it).
struct Plain
{
};
struct ByName : Plain
{
};
struct ByWhat : ByName
{
};
struct ByLabel : ByWhat
{
};
template <typename Row>
auto Label(const Row& row, ByLabel) -> decltype(row.Label())
{
    return row.Label();
}
template <typename Row>
auto Label(const Row& row, ByWhat) -> decltype((row.what))
{
    return row.what;
}
template <typename Row>
auto Label(const Row& row, ByName) -> decltype((row.name))
{
    return row.name;
}
template <typename Row>
const char* Label(const Row&, Plain)
{
    return "";
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
        SCOPED_TRACE(::testing::Message() << "row " << index++ << " " << rows::Label(row, rows::ByLabel()));
        check(row);
    }
}
} // namespace testsupport
