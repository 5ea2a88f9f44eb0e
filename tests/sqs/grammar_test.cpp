// Script checker grammar: operator levels and unary words, the tokens of a
// line, label names, the command table's types, and whole scripts shaped
// like published mission scripts.
#include <gtest/gtest.h>

#include <string>

#include "sqs/DeSqs.h"
#include "support/Rows.h"
#include "support/TempDir.h"

namespace
{
struct Case
{
    const char* script;
    int code;
    const char* Label() const { return script; }
};

int CheckText(const std::string& script)
{
    testsupport::TempDir dir;
    dir.Put("s.sqs", script);
    DeSqs checker;
    if (checker.Open(dir.Path("s.sqs").c_str(), nullptr) != 0)
        return -1;
    return checker.Process();
}

template <typename Table>
void CheckCases(const Table& cases)
{
    testsupport::CheckRows(cases, [](const Case& c) { EXPECT_EQ(CheckText(c.script), c.code); });
}

// Unary words bind tighter than binary ones; binary words bind by level and
// from the left; a complete value takes nothing but an operator or an end.
TEST(SqsGrammar, OperatorLevels)
{
    const Case cases[] = {
        {"hint \"a\"; exit", 0},
        {"_x = getPos player select 0", 0},
        {"_p = _this select 1 select 0", 0},
        {"? a > 1 and b < 2 : exit", 0},
        {"? not alive player or damage player > 0.5 : exit", 0},
        {"x = 1 + 2 * 3 ^ 2 - 4 / 2", 0},
        {"_n = count units group player", 0},
        {"x = -1 + 2", 0},
        {"x = - - 1", 0},
        {"_list = [1] + [2] - [1]", 0},
        {"\"a\" hint \"b\"", 38},
        {"hint \"a\" \"b\"", 38},
        {"x = 1 2", 38},
        {"x = 1 + \"a\"", 99},
        {"x = [1] + 1", 99},
        {"x = (1 + 2", 36},
        {"x = (1; 2)", 36},
        {"hint \"a\" + 1", 27},
        {"x = 1 > 2 > 3", 27},
        {"x = 1 > 2 and \"a\"", 99},
        {"unassignVehicle _x forEach (units _group)", 27},
        {"hint", 99},
        {"x = 1 +", 99},
        {"? : exit", 37},
        {"? a > 1 ; exit", 37},
        {"@ a > 1 : exit", 58},
        {"~ 5 ; hint \"a\"", 0},
        {"x = 5 : hint \"a\"", 58},
    };
    CheckCases(cases);
}
} // namespace
