// Script command table: row count, the hashed lookup against the table order,
// and rows whose types the checker depends on.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "sqs/SqsCommand.h"

namespace
{
std::string Cased(const char* name, bool upper)
{
    std::string s = name;
    for (char& c : s)
        c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                    : std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(SqsCommandTable, EveryWordFindsItsOwnRow)
{
    const SqsCommand* rows = SqsCommandTable();
    ASSERT_EQ(SqsCommandCount(), 378u);
    EXPECT_EQ(rows[378].identifier, 0u);
    std::set<std::string> names;
    std::set<uint32_t> identifiers;
    for (size_t i = 0; i < SqsCommandCount(); ++i)
    {
        const SqsCommand& row = rows[i];
        ASSERT_NE(row.identifier, 0u);
        ASSERT_NE(row.name, nullptr);
        names.insert(Cased(row.name, false));
        identifiers.insert(row.identifier);
        EXPECT_EQ(FindCommand(row.name), &row) << row.name;
        EXPECT_EQ(FindCommand(Cased(row.name, true).c_str()), &row) << row.name;
        EXPECT_EQ(FindCommand(Cased(row.name, false).c_str()), &row) << row.name;
        // Operators have precedence 1 to 3, everything else 0; only the
        // front column may carry the may-be-absent bit.
        EXPECT_LE(row.precedence, 3) << row.name;
        EXPECT_EQ((row.result | row.argument) & ~SqsType(SqsAny), 0u) << row.name;
    }
    EXPECT_EQ(names.size(), 378u);
    EXPECT_EQ(identifiers.size(), 378u);
}

TEST(SqsCommandTable, Rows)
{
    const struct
    {
        const char* word;
        int32_t precedence;
        const char* name;
        SqsType result, front, argument;
    } expected[] = {
        {"AND", 0, "And", SqsBoolean, SqsBoolean, SqsBoolean},
        {"and", 0, "And", SqsBoolean, SqsBoolean, SqsBoolean},
        {"or", 0, "OR", SqsBoolean, SqsBoolean, SqsBoolean},
        {"IN", 0, "In", SqsBoolean, SqsAny, SqsArray},
        {"dowatch", 0, "doWatch", SqsNone, SqsArray | SqsObject, SqsArray},
        {"_this", 0, "_This", SqsArray, SqsNone, SqsNone},
        {"player", 0, "Player", SqsObject, SqsNone, SqsNone},
        {"objnull", 0, "ObjNull", SqsAny, SqsNone, SqsNone},
        {"call", 0, "Call", SqsAny, SqsAny, SqsString},
        {"then", 0, "then", SqsString, SqsBoolean, SqsString},
        {"select", 0, "Select", SqsAny, SqsArray, SqsNumber},
        {"lbsisze", 0, "lbSisze", SqsNumber, SqsNone, SqsNumber},
        {"AddAddWeaponMagazine", 0, "AddAddWeaponMagazine", SqsNone, SqsObject, SqsString},
        {"!", 3, "!", SqsBoolean, SqsNone, SqsBoolean},
        {"^", 3, "^", SqsNumber, SqsNumber, SqsNumber},
        {"*", 2, "*", SqsNumber, SqsNumber, SqsNumber},
        {":", 1, ":", SqsAny, SqsNone, SqsNone},
        {"-", 1, "-", SqsArray | SqsNumber, SqsArray | SqsNumber | SqsMayBeAbsent, SqsArray | SqsNumber},
        {"!=", 1, "!=", SqsBoolean, SqsNumber | SqsObject, SqsNumber | SqsObject},
        {"==", 1, "==", SqsBoolean, SqsNumber | SqsString, SqsNumber | SqsString},
    };
    for (const auto& e : expected)
    {
        const SqsCommand* row = FindCommand(e.word);
        ASSERT_NE(row, nullptr) << e.word;
        EXPECT_STREQ(row->name, e.name);
        EXPECT_EQ(row->precedence, e.precedence) << e.word;
        EXPECT_EQ(row->result, e.result) << e.word;
        EXPECT_EQ(row->front, e.front) << e.word;
        EXPECT_EQ(row->argument, e.argument) << e.word;
    }
    for (const char* missing : {"", "myVar", "Hin", "HintCX", "<=", "=", "&&", "getPosASL", "hint "})
        EXPECT_EQ(FindCommand(missing), nullptr) << missing;
    EXPECT_EQ(FindCommand(nullptr), nullptr);
    EXPECT_EQ(FindCommand("hintc", 4), FindCommand("Hint"));
}
} // namespace
