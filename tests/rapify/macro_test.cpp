// Config macros: definitions with parameters, expansion, "##", and the codes
// their failures give at each place a macro may stand.

#include <gtest/gtest.h>

#include <string>

#include "RapifyTestUtil.h"
#include "rapify/RapifyCodes.h"

using rapifytest::Compile;
using rapifytest::Row;

TEST(RapifyMacros, Expansion)
{
    static const Row rows[] = {
        {"#define F(x) x+1\nv = F(2);", 0, 2, 7, "v=S\"2+1\""},
        {"#define F(x) x##_suffix\nv = F(a);", 0, 2, 7, "v=S\"a_suffix\""},
        {"#define F(x) pre_##x\nv = F(a);", 0, 2, 7, "v=S\"pre_a\""},
        {"#define F(value) v+value+values\nv = F(1);", 0, 2, 7, "v=S\"v+1+values\""},
        {"#define G(a,b) b-a\nv = G(1, 2);", 0, 2, 7, "v=S\"2-1\""},
        {"#define G( a , b ) a:b\nv = G(1,2,3);", 0, 2, 7, "v=S\"1:2\""},
        {"#define A 1\n#define A 2\nv = A;", 0, 3, 7, "v=I1"},
        {"#define abc 1\nv = ABC;", 0, 2, 7, "v=S\"ABC\""},
        {"#define A B\n#define B 7\nv = A;", 0, 3, 7, "v=I7"},
        {"#define F(x) x\nv = F(a)(b);", 0, 2, 7, "v=S\"a\""},
        // A comma ends an argument inside parentheses too.
        {"#define F(a,b) a|b\nv = F((1,2),3);", 0, 2, 7, "v=S\"(1|2)\""},
        {"#define F(a) a\nv = F((1,2));", RapifyExpectedValue, 2, RapifyExpectedParenthesis, "-"},
        {"#define F(a) a\nv = F(G(1,2));", RapifyExpectedValue, 2, RapifyExpectedParenthesis, "-"},
        {"#define F(x) <x>\nv = F;", 0, 2, 7, "v=S\"<#0#>\""},
        {"#define H a##b\nv = H; w = H();", 0, 2, 7, "v=S\"a##b\" w=S\"ab\""},
        {"#define Q(x) x ## x\nv = Q(a);", 0, 2, 7, "v=S\"a  a\""},
        {"#define V 1\nx = V + 1; y[] = {V, V};", 0, 2, 7, "x=S\"V + 1\" y[]={I1,I1}"},
        {"#define CLS class A {};\nCLS\nCLS x = 1;", 0, 3, 7, "A{} A{} x=I1"},
        {"#define N Name\nclass N : N {};", 0, 2, 7, "Name:Name{}"},
        {"class A {\n#define X 5\n};\ny = X;", 0, 4, 7, "A{} y=I5"},
        {"#define S \"quoted\"\nv = S;", 0, 2, 7, "v=S\"quoted\""},
        {"#define\nX 1\nv = X;", 0, 3, 7, "v=I1"},
    };
    rapifytest::CheckCompiles(rows);
}

TEST(RapifyMacros, Failures)
{
    const std::string longArgument(600, 'a');
    const std::string overflow = "#define D(x) x x x x\nv = D(" + longArgument + ");";
    const std::string fits = "#define D(x) x x x\nv = D(" + longArgument + ");";
    const Row rows[] = {
        {"#define G(a,b) a b\nv = G(1);", RapifyExpectedValue, 2, 0, "-"},
        {"#define G(a,b) a b\nG(1)", RapifyExpectedStatement, 2, 0, "-"},
        {"#define G(a,b) a b\nx[] = {G(1)};", RapifyExpectedArrayValue, 2, 0, "-"},
        {"#define P(x) x\nv = P();", RapifyExpectedValue, 2, RapifyNoToken, "-"},
        {"#define EMPTY\nx = EMPTY;", RapifyExpectedValue, 2, RapifyNoToken, "-"},
        {"#define \"F(x\" 1", RapifyNoEndParenthesis, 1, 0, "-"},
        {"#define F(x", RapifyDefineBadLabel, 1, RapifyExpectedParenthesis, "-"},
        {"#define", RapifyDefineBadLabel, 1, RapifyEof, "-"},
        {"#define F(x) x#y", RapifyCannotHandleHash, 1, 0, "-"},
        {"#define F(x) a x#", RapifyCannotHandleHash, 1, 0, "-"},
        {"#define F(x) #x#", RapifyCannotHandleHash, 1, 0, "-"},
        {"#define F(x) x\nv = \"F(1\";", RapifyExpectedValue, 2, 0, "-"},
        // An expansion must fit twice the line buffer (1000 bytes here).
        {overflow.c_str(), RapifyExpectedValue, 2, 0, "-"},
        {fits.c_str(), 0, 2, 7, nullptr},
    };
    for (const Row& row : rows)
    {
        rapifytest::Result r = Compile(row.text);
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.lines, r.lines) << row.text;
        EXPECT_EQ(row.returned, r.returned) << row.text;
        if (row.tree)
        {
            EXPECT_EQ(row.tree, r.tree) << row.text;
        }
    }
}
