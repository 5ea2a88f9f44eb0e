// Script checker grammar: operator levels and unary words, the tokens of a
// line, label names, the command table's types, and whole scripts shaped
// like published mission scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Operators, statement ends, nested blocks, quotes inside blocks and arrays,
// and the characters that end a word before them.
TEST(SqsGrammar, Tokens)
{
    const Case cases[] = {
        {"x = 1, y = 2\r\ny = \"a\"", 29},
        {"x = {if (a) then {b} else {c}}", 0},
        {"x = {hint \"}\"}", 0},
        {"x = [\"]\", 1]", 0},
        {"x = {a = {b}", 17},
        {"x = [\"]\"", 12},
        {"x = \"\"", 0},
        {"? a ==\"\" : exit", 0},
        {"x = 0==y", 0},
        {"x = 0a==y", 15},
        {"x = a }", 38},
        {"x = 1 & 2", 38},
        {"x = 1 | 2", 38},
        {"x = \"a\"\"", 17},
        {"hint \"a\"hint \"b\"", 38},
    };
    CheckCases(cases);
}

// '#' and a word-like name; nothing else names a label.
TEST(SqsGrammar, Labels)
{
    const Case cases[] = {
        {"#loop", 0}, {"#1", 0},      {"#0", 0},      {"#1a", 0},   {"#loop\r\ngoto \"loop\"", 0},
        {"#", 10},    {"#\"x\"", 10}, {"#[1]", 10},   {"#(a)", 10}, {"#-", 10},
        {"#==", 10},  {"#;", 10},     {"#a = 5", 10},
    };
    CheckCases(cases);
}

// Table rows whose types follow the game, and words the first game and the
// later ones have.
TEST(SqsGrammar, TableTypes)
{
    const Case cases[] = {
        {"? _grp != group player : exit", 0},
        {"? player == 5 : exit", 99},
        {"if (a > 1) then {hint \"a\"} else {hint \"b\"}", 0},
        {"if (a > 1) then [{hint \"a\"}, {hint \"b\"}]", 0},
        {"if \"a\" then {b}", 99},
        {"while {a < 5} do {a = a + 1}", 0},
        {"[] call {hint \"a\"}", 0},
        {"call {hint \"a\"}", 0},
        {"_n = {alive _x} count units group player", 0},
        {"_m = magazines player select 0", 0},
        {"_l = \"a\" + \"b\"\r\n_l = 5", 29},
        {"_x = [1,2] select true", 0},
        {"playMusic \"Track1\"", 0},
        {"player sideChat \"x\"", 0},
        {"[west, \"HQ\"] sideChat \"x\"", 0},
        {"sideChat \"x\"", 27},
        {"_w = primaryWeapon player\r\n_w = \"a\"", 0},
        {"_this = 0\r\n? _this == 0 : exit", 0},
        {"? side player == east : exit", 0},
        {"? side player == civilian : exit", 0},
        {"0 exec \"cam.sqs\"", 0},
        {"_g = gunner vehicle player\r\n_g setDamage 1", 0},
        {"? lbData [1, 2] == \"a\" : exit", 0},
        {"? a > 1 && b < 2 || c : exit", 0},
        {"? a && 5 : exit", 99},
        {"_r = 7%3", 0},
        {"? isNull _unit : exit", 0},
        {"_i = [1, 2] find 2", 0},
        {"_l = list trigger1", 0},
        {"_unit addWeapon \"M16\"", 0},
        {"_o = nearestObject [player, \"Jeep\"]", 0},
        {"_o = getPos player nearestObject 1234", 0},
        {"_p = getPosASL player\r\nplayer setPosASL _p", 0},
        {"_cam camCommand \"manual on\"", 0},
        {"_s = lbSize 100", 0},
        {"player globalChat \"x\"", 0},
        {"_a = getArray (configFile >> \"CfgVehicles\" >> typeOf player >> \"weapons\")", 0},
        {"_h = [] execVM \"s.sqf\"", 0},
        {"_h = [] spawn {hint \"a\"}", 0},
        {"_c = compile \"hint 'a'\"", 0},
        {"? isServer || isDedicated : exit", 0},
        {"player setPosATL getPosATL player", 0},
    };
    CheckCases(cases);
}
} // namespace

namespace
{
struct Reported
{
    long line;
    int code;
    std::string message;
};

void Collect(void* context, long line, int code, const char* message)
{
    static_cast<std::vector<Reported>*>(context)->push_back({line, code, message});
}

// Going on after errors: every failing line, numbered from 1 (a line longer
// than the buffer keeps one number), with the types assigned so far kept; by
// default the first error ends the check.
TEST(SqsGrammar, EveryFailingLine)
{
    const std::string script = "x = 5\r\nhint 5\n" + std::string(3000, 'a') + " +\r\nx = \"a\"\r\n\r\ny = x\n@ y\n";
    testsupport::TempDir dir;
    dir.Put("s.sqs", script);
    DeSqs checker;
    ASSERT_EQ(checker.Open(dir.Path("s").c_str(), nullptr), 0);
    EXPECT_EQ(checker.Process(), SqsBadArgument);
    checker.Close();

    std::vector<Reported> reported;
    checker.ReportEveryError(Collect, &reported);
    ASSERT_EQ(checker.Open(dir.Path("s").c_str(), nullptr), 0);
    EXPECT_EQ(checker.Process(), SqsBadArgument);
    ASSERT_EQ(reported.size(), 4u);
    const Reported expected[] = {
        {2, SqsBadArgument, "Sqs: unknown error"},
        {3, SqsBadArgument, "Sqs: unknown error"},
        {4, SqsLabelChangedType, "sqs: SQSERR_LABEL_CHANGED_TYPE"},
        {7, SqsAtNeedsBool, "sqs: SQSERR_AT_NEEDS_BOOL"},
    };
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(reported[i].line, expected[i].line) << i;
        EXPECT_EQ(reported[i].code, expected[i].code) << i;
        EXPECT_EQ(reported[i].message, expected[i].message) << i;
    }
    EXPECT_EQ(checker.LineNumber(), 7);

    // A fresh script starts at line 1 and with a fresh variable list.
    reported.clear();
    dir.Put("t.sqs", "x = \"a\"\r\nx = 1");
    ASSERT_EQ(checker.Open(dir.Path("t").c_str(), nullptr), 0);
    EXPECT_EQ(checker.Process(), SqsLabelChangedType);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].line, 2);
}
} // namespace

namespace
{
// Lines as published mission scripts write them, and the one wrong line
// among them, which keeps its code.
TEST(SqsGrammar, PublishedLines)
{
    const Case cases[] = {
        {"hint \"a\"; exit", 0},
        {"_pos = _this select 1 select 0", 0},
        {"? a > 1 && b < 2 : goto \"next\"", 0},
        {"_t = 3*60\r\n~_t", 0},
        {"_total = 1000*18", 0},
        {"_rounds = _magcount*_magsize", 0},
        {"#1\r\n#2\r\ngoto \"2\"\r\n#0", 0},
        {"? _unit == player : exit", 0},
        {"_cantMove = true, goto \"ExecRepair\"", 0},
        {"{if (alive _x) then {_x setDamage 0} } foreach units group player", 0},
        {"hint format[\"%1 left\",_count]", 0},
        {"if (_n > 2) then{hint \"many\"}", 0},
        {"_name = \"\"\r\n? _name == \"\" : _name = \"none\"", 0},
        {"? 0==_count : exit", 0},
        {"? _this == 0 : _this = 0", 0},
        {"Leader FoxtrotSquad sideChat \"Move out\"", 0},
        {"_grp = group player\r\n? isNull _grp : exit", 0},
        {"unassignVehicle _x forEach (units _group)", 27},
    };
    CheckCases(cases);
}

// Whole scripts shaped like published ones.
TEST(SqsGrammar, WholeScripts)
{
    const Case cases[] = {
        // A camera script started with "0 exec".
        {"; intro camera\r\n"
         "_cam = \"camera\" camCreate [0, 0, 0]\r\n"
         "_cam cameraEffect [\"internal\", \"back\"]\r\n"
         "_cam camSetTarget player\r\n"
         "_cam camSetRelPos [2, -5, 3]\r\n"
         "_cam camCommit 0\r\n"
         "@camCommitted _cam\r\n"
         "titleText [\"Ten hours later\", \"plain down\"]\r\n"
         "~3\r\n"
         "_cam camSetFOV 0.7; _cam camCommit 5\r\n"
         "@camCommitted _cam\r\n"
         "_cam cameraEffect [\"terminate\", \"back\"]\r\n"
         "camDestroy _cam\r\n"
         "exit\r\n",
         0},
        // A respawn loop.
        {"_unit = _this select 0\r\n"
         "_type = typeOf _unit\r\n"
         "_start = getPos _unit\r\n"
         "#wait\r\n"
         "~5\r\n"
         "? alive _unit : goto \"wait\"\r\n"
         "~(10 + random 5)\r\n"
         "deleteVehicle _unit\r\n"
         "_unit = _type createVehicle _start\r\n"
         "_unit setDir (random 360); _unit addWeapon \"M16\"\r\n"
         "[_unit] join group player\r\n"
         "goto \"wait\"\r\n",
         0},
        // A guarded goto with a counter and a trigger list.
        {"_i = 0\r\n"
         "_n = count (list trigger1)\r\n"
         "#loop\r\n"
         "_man = (list trigger1) select _i\r\n"
         "? !(alive _man) || (_man distance player) > 100 : goto \"next\"\r\n"
         "_man sideChat format [\"%1 in position\", name _man]\r\n"
         "#next\r\n"
         "_i = _i + 1\r\n"
         "? _i < _n : goto \"loop\"\r\n"
         "exit\r\n",
         0},
        // The same loop with its counter turned into text.
        {"_i = 0\r\n#loop\r\n_i = format [\"%1\", _i]\r\n? _i < 5 : goto \"loop\"\r\n", 29},
    };
    CheckCases(cases);
}
} // namespace
