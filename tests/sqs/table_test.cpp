// Script command table: row count, the hashed lookup against the table order,
// the rules every row keeps, and rows whose types the checker depends on.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "sqs/SqsCommand.h"
#include "sqs/SqsGrammar.h"
#include "support/Rows.h"

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

bool IsWord(const char* name)
{
    return std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_';
}

// The whole table: every row is found by its own name in any letter case,
// names and identifiers are unique, and the columns keep their rules.
TEST(SqsCommandTable, EveryWordFindsItsOwnRow)
{
    const SqsCommand* rows = SqsCommandTable();
    ASSERT_EQ(SqsCommandCount(), 428u);
    EXPECT_EQ(rows[428].identifier, 0u);
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
        // Words have precedence 0 and operators 1 to 3; types stay within
        // the five value bits, and only the words that may begin a value as
        // well as follow one carry the may-be-absent bit.
        EXPECT_EQ(row.precedence == 0, IsWord(row.name)) << row.name;
        EXPECT_LE(row.precedence, 3) << row.name;
        EXPECT_EQ((row.result | row.argument) & ~SqsType(SqsAny), 0u) << row.name;
        const std::string name = row.name;
        EXPECT_EQ((row.front & SqsMayBeAbsent) != 0,
                  name == "-" || name == "Call" || name == "Count" || name == "nearestObject")
            << row.name;
    }
    EXPECT_EQ(names.size(), 428u);
    EXPECT_EQ(identifiers.size(), 428u);
}

// Rows typed in from the command list: the first-match words, the odd
// spellings the table keeps, and every kind of operator.
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
        {"IN", 0, "In", SqsBoolean, SqsAny, SqsArray},
        {"dowatch", 0, "doWatch", SqsNone, SqsArray | SqsObject, SqsArray},
        {"_this", 0, "_This", SqsAny, SqsNone, SqsNone},
        {"then", 0, "then", SqsAny, SqsBoolean, SqsString | SqsArray},
        {"select", 0, "Select", SqsAny, SqsArray, SqsNumber | SqsBoolean},
        {"LBSIZE", 0, "lbSize", SqsNumber, SqsNone, SqsNumber},
        {"&&", 1, "&&", SqsBoolean, SqsBoolean, SqsBoolean},
        {"%", 2, "%", SqsNumber, SqsNumber, SqsNumber},
        {"lbsisze", 0, "lbSisze", SqsNumber, SqsNone, SqsNumber},
        {"AddAddWeaponMagazine", 0, "AddAddWeaponMagazine", SqsNone, SqsObject, SqsString},
        {"!", 3, "!", SqsBoolean, SqsNone, SqsBoolean},
        {"*", 2, "*", SqsNumber, SqsNumber, SqsNumber},
        {"-", 1, "-", SqsArray | SqsNumber, SqsArray | SqsNumber | SqsMayBeAbsent, SqsArray | SqsNumber},
        {"==", 1, "==", SqsBoolean, SqsAny & ~SqsType(SqsBoolean), SqsAny & ~SqsType(SqsBoolean)},
    };
    testsupport::CheckRows(expected, [](const auto& e) {
        const SqsCommand* row = FindCommand(e.word);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->name, e.name);
        EXPECT_EQ(row->precedence, e.precedence);
        EXPECT_EQ(row->result, e.result);
        EXPECT_EQ(row->front, e.front);
        EXPECT_EQ(row->argument, e.argument);
    });
    for (const char* missing : {"", "myVar", "Hin", "HintCX", "<=", "=", "&", "getPosASLX", "hint "})
        EXPECT_EQ(FindCommand(missing), nullptr) << missing;
    EXPECT_EQ(FindCommand(nullptr), nullptr);
    EXPECT_EQ(FindCommand("hintc", 4), FindCommand("Hint"));
}

// Binding levels of the binary words and the version each word came with.
TEST(SqsCommandTable, LevelsAndVersions)
{
    const struct
    {
        const char* word;
        int level;
        SqsVersion since;
    } expected[] = {
        {"or", 1, SqsFirstGame},          {"||", 1, SqsFirstGame},
        {"AND", 2, SqsFirstGame},         {"==", 3, SqsFirstGame},
        {"<", 3, SqsFirstGame},           {"setPos", 4, SqsFirstGame},
        {"sideChat", 4, SqsFirstGame134}, {"else", 5, SqsFirstGame185},
        {"-", 6, SqsFirstGame},           {"mod", 7, SqsFirstGame},
        {"%", 7, SqsFirstGame},           {">>", 7, SqsSecondGame},
        {"^", 8, SqsFirstGame},           {"magazines", 4, SqsFirstGame175},
        {"find", 4, SqsFirstGame199},     {"spawn", 4, SqsConsoleEdition},
        {"setHit", 4, SqsThirdGame},      {"getPosATL", 4, SqsThirdGame103},
    };
    testsupport::CheckRows(expected, [](const auto& e) {
        const SqsCommand* row = FindCommand(e.word);
        ASSERT_NE(row, nullptr) << e.word;
        EXPECT_EQ(GrammarOf(*row).level, e.level) << e.word;
        EXPECT_EQ(GrammarOf(*row).since, e.since) << e.word;
    });
}
} // namespace
