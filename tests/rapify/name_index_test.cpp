// The hash index of macros by name: finds, replacements and erasures over
// enough names to grow the table, with marks of erased slots in the chains.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "rapify/NameIndex.h"

namespace
{
struct Item
{
    std::string name;
    int value;
};

std::unique_ptr<Item> Make(const std::string& name, int value)
{
    return std::unique_ptr<Item>(new Item{name, value});
}

TEST(NameIndex, FindsReplacesAndErases)
{
    NameIndex<Item> index;
    EXPECT_EQ(index.Find("A"), nullptr);
    EXPECT_FALSE(index.Erase("A"));
    // Names of every length class the hash reads differently (1-3, 4-7, 8,
    // longer than 8 and not a multiple of it), and names that differ only
    // in their middle.
    const std::string names[] = {"A",
                                 "ab",
                                 "abc",
                                 "abcd",
                                 "abcdefg",
                                 "abcdefgh",
                                 "abcdefghi",
                                 "QUOTE_LONG_NAME_17",
                                 "tst_main_x_middle",
                                 "tst_main_y_middle",
                                 ""};
    for (int round = 0; round < 3; ++round)
    {
        for (int k = 0; k < 2000; ++k)
            index.Put(Make("n" + std::to_string(k), k + round));
        for (const std::string& name : names)
            index.Put(Make(name, round));
        for (int k = 0; k < 2000; k += 2)
            EXPECT_TRUE(index.Erase("n" + std::to_string(k)));
    }
    const struct
    {
        std::string name;
        int value; // -1: absent
    } rows[] = {
        {"n1", 3},
        {"n1999", 2001},
        {"n0", -1},
        {"n1998", -1},
        {"n2000", -1},
        {"A", 2},
        {"a", -1},
        {"abcdefgh", 2},
        {"abcdefghi", 2},
        {"abcdefghj", -1},
        {"tst_main_x_middle", 2},
        {"tst_main_z_middle", -1},
        {"", 2},
    };
    for (const auto& row : rows)
    {
        const Item* found = index.Find(row.name);
        if (row.value < 0)
        {
            EXPECT_EQ(found, nullptr) << row.name;
            continue;
        }
        ASSERT_NE(found, nullptr) << row.name;
        EXPECT_EQ(found->name, row.name);
        EXPECT_EQ(found->value, row.value) << row.name;
    }
    // Erased names can come back, once each.
    index.Put(Make("n0", 7));
    index.Put(Make("n0", 8));
    ASSERT_NE(index.Find("n0"), nullptr);
    EXPECT_EQ(index.Find("n0")->value, 8);
    EXPECT_TRUE(index.Erase("n0"));
    EXPECT_FALSE(index.Erase("n0"));
}
} // namespace
