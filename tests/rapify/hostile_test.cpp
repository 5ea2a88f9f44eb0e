// Damaged and oversized config text: long lines and tokens, deep nesting,
// macros that never stop expanding, huge flat bodies. Each ends with a code
// of the compiler's table, never a crash.

#include <gtest/gtest.h>

#include <string>

#include "RapifyTestUtil.h"
#include "rapify/RapifyCodes.h"

using rapifytest::Compile;

namespace
{
std::string Repeat(const std::string& piece, int count)
{
    std::string out;
    out.reserve(piece.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}
} // namespace

TEST(RapifyHostile, LongLinesAndTokens)
{
    const std::string word(5000, 'w');
    const std::string quoted(100000, 'q');
    struct
    {
        std::string text;
        int code;
        std::string tree;
    } rows[] = {
        {"x = " + word + ";", 0, "x=S\"" + word + "\""},
        {"x[] = {\"" + quoted + "\"};", 0, "x[]={S\"" + quoted + "\"}"},
        {"class " + word + " {};", 0, word + "{}"},
        {"x = \"" + quoted, RapifyExpectedValue, "-"},
        // A long comment line at the end moves the line buffer.
        {"x = 5\n;" + word, 0, "x=I5"},
        // Continued lines are joined in a loop, however many there are.
        {"x[] = {" + Repeat("1,\\\n", 20000) + "1};", 0, "x[]={" + Repeat("I1,", 20000) + "I1}"},
        // A macro expansion longer than the line it stands in.
        {"#define L " + word + "\nv[] = {L};", 0, "v[]={S\"" + word + "\"}"},
        // A line past 1000 bytes doubles the line buffer and with it the room
        // for an expansion (twice the line buffer).
        {"#define F(a) a a\nv = F(" + std::string(1500, 'z') + ");", 0,
         "v=S\"" + std::string(1500, 'z') + " " + std::string(1500, 'z') + "\""},
        {"#define F(a) a a a\nv = F(" + std::string(1500, 'z') + ");", RapifyExpectedValue, "-"},
    };
    for (const auto& row : rows)
    {
        rapifytest::Result r = Compile(row.text);
        EXPECT_EQ(row.code, r.code) << row.text.substr(0, 40);
        EXPECT_TRUE(row.tree == r.tree) << row.text.substr(0, 40);
    }
}

TEST(RapifyHostile, NestingBound)
{
    const int bound = Classes::MaxDepth;
    const struct
    {
        std::string text;
        int code;
    } rows[] = {
        {Repeat("class A {", bound) + Repeat("};", bound), 0},
        {Repeat("class A {", bound + 1) + Repeat("};", bound + 1), RapifyNoMemory},
        {Repeat("class A {", 100000), RapifyNoMemory},
        {"x[] = " + Repeat("{", bound + 1) + Repeat("}", bound + 1) + ";", 0},
        {"x[] = " + Repeat("{", bound + 2) + Repeat("}", bound + 2) + ";", RapifyNoMemory},
        {"x[] = " + Repeat("{", 100000), RapifyNoMemory},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.code, Compile(row.text).code) << row.text.size();
}

TEST(RapifyHostile, RunawayMacros)
{
    const struct
    {
        std::string text;
        int code;
        int returned;
    } rows[] = {
        {"#define A A\nx = A;", RapifyExpectedValue, 0},
        {"#define A x A\ny[] = {A};", RapifyExpectedArrayValue, 0},
        {"#define A B\n#define B A\nA", RapifyExpectedStatement, 0},
        {"#define F(x) F(x)\nv = F(1);", RapifyExpectedValue, 0},
        // Each expansion doubles the tokens: the total is bounded.
        {"#define D(x) x x\nv[] = {" + Repeat("D(", 24) + "a" + Repeat(")", 24) + "};", RapifyExpectedArrayValue, 0},
    };
    for (const auto& row : rows)
    {
        rapifytest::Result r = Compile(row.text);
        EXPECT_EQ(row.code, r.code) << row.text.substr(0, 60);
        EXPECT_EQ(row.returned, r.returned) << row.text.substr(0, 60);
    }
}

TEST(RapifyHostile, HugeFlatTreesFreeWithoutDeepRecursion)
{
    Rapify compiler;
    const std::string elements = "x[] = {" + Repeat("1,", 1000000) + "1};";
    ASSERT_EQ(0, compiler.ProcessBuffer(elements.c_str(), "c", nullptr, nullptr));
    const std::string classes = Repeat("class A {};\n", 200000);
    ASSERT_EQ(0, compiler.ProcessBuffer(classes.c_str(), "c", nullptr, nullptr));
    EXPECT_EQ(200000, compiler.LineCount());
    compiler.Clear();
    EXPECT_EQ(nullptr, compiler.GetFirstEntry());
}

TEST(RapifyHostile, GarbageEndsWithATableCode)
{
    // Deterministic noise over the characters the grammar cares about.
    const char alphabet[] = "ab1.-\"'(),;:=[]{}#/*\\ \t\r\n";
    uint32_t seed = 12345;
    Rapify compiler;
    for (int round = 0; round < 3000; ++round)
    {
        std::string text;
        int length = static_cast<int>(seed % 200);
        for (int i = 0; i < length; ++i)
        {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % (sizeof(alphabet) - 1)];
        }
        int code = compiler.ProcessBuffer(text.c_str(), "c", nullptr, nullptr);
        EXPECT_TRUE(code == 0 || code == 1 || (code >= 5 && code <= 32 && code != 7 && code != 8 && code != 9))
            << code << " for " << text;
        EXPECT_EQ(code == 0, compiler.GetFirstEntry() != nullptr);
    }
}
