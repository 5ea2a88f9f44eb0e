// Config compiler grammar: trees built from valid text, and the code, line
// count and last scan result a caller sees for every grammar error.

#include <gtest/gtest.h>

#include "RapifyTestUtil.h"
#include "rapify/RapifyCodes.h"
#include "support/AllocBudget.h"

using rapifytest::Compile;
using rapifytest::Row;

namespace
{
template <size_t N>
void CheckWithOneCompiler(const Row (&rows)[N])
{
    Rapify compiler; // one object for all rows
    rapifytest::CheckCompiles(rows, &compiler);
}
} // namespace

TEST(RapifyParser, ValidTrees)
{
    static const Row rows[] = {
        {"", 0, 0, 7, ""},
        {"\n\n  \n", 0, 3, 7, ""},
        {"class A {};", 0, 1, 7, "A{}"},
        {"class A {}", 0, 1, 7, "A{}"},
        {"class A {}\nclass B {};", 0, 2, 7, "A{} B{}"},
        {"class A\n{\n};", 0, 3, 7, "A{}"},
        {"CLASS A : B { x = 1; };", 0, 1, 7, "A:B{x=I1}"},
        {"class A; intern B; extern C; extern class D; intern class E;", 0, 1, 7,
         "extern A; extern B; delete C; delete D; extern E;"},
        {"delete A;\n__EMPTYCLASS B;\n__EMPTYCLASS(C);", 0, 3, 7, "delete A; delete B; delete C;"},
        {"x = ;", 0, 1, 7, "x=S\"\""},
        {"x = 5\ny = -7;", 0, 2, 7, "x=I5 y=I-7"},
        {"x = 1, 2;", 0, 1, 7, "x=S\"1, 2\""},
        {"a=12;b=-7;c=007;d=1.5;e=.5;f=5.;g=.;h=-;i=+1;j=1e5;k=0x1F;l=1.2.3;m=1 2;n=\"12\";o=-.;", 0, 1, 7,
         "a=I12 b=I-7 c=I007 d=F1.5 e=F.5 f=F5. g=F. h=S\"-\" i=S\"+1\" j=S\"1e5\" k=S\"0x1F\" l=S\"1.2.3\" "
         "m=S\"1 2\" n=S\"12\" o=F-."},
        {"x[] = {1, 2.5, \"a\", {3}};", 0, 1, 7, "x[]={I1,F2.5,S\"a\",{I3}}"},
        {"a[]={1,,2};b[]={,1};c[]={1,};d[]={};e[]={{,1}};f[]={1 2};", 0, 1, 7,
         "a[]={I1,S\"\",I2} b[]={S\"\",I1} c[]={I1} d[]={} e[]={{I1}} f[]={I1,I2}"},
        {"x[] = {1,\n2}\ny = 3;", 0, 3, 7, "x[]={I1,I2} y=I3"},
        {"class A { class B { class C {}; }; x[] = {}; };", 0, 1, 7, "A{B{C{}} x[]={}}"},
        {"class A {}; class A {};", 0, 1, 7, "A{} A{}"},
        {"x = 1; #define A 2\ny = A;", 0, 2, 7, "x=I1 y=I2"},
        {"enum {A, B = 5, C};\nx = 1;", 0, 2, 7, "x=I1"},
        {"enum {A = 99999999999};", 0, 1, 7, ""},
        {"enum {= 5};", 0, 1, 7, ""},
    };
    CheckWithOneCompiler(rows);
}

TEST(RapifyParser, ErrorCodes)
{
    static const Row rows[] = {
        {"}", RapifyUnexpectedBrace, 1, '}', "-"},
        {"class A {};\n}", RapifyUnexpectedBrace, 2, '}', "-"},
        {"class A {} x", RapifyExpectedSemicolon, 1, 0, "-"},
        {"x = 1 2;\ny", RapifyExpectedArrayOrAssign, 2, 7, "-"},
        {"x = \"a\" b;", RapifyExpectedSemicolon, 1, 0, "-"},
        {"extern A B;", RapifyExpectedSemicolon, 1, 0, "-"},
        {"x[] = {1} 2;", RapifyExpectedSemicolon, 1, 0, "-"},
        {"class A {\n x = 1;\n", RapifyExpectedStatement, 2, 7, "-"},
        {"; a comment line\n  ;", RapifyExpectedStatement, 2, ';', "-"},
        {"class A {};;", RapifyExpectedStatement, 1, ';', "-"},
        {"extern ;", RapifyExpectedStatement, 1, ';', "-"},
        {"intern class ;", RapifyExpectedStatement, 1, ';', "-"},
        {"x = \"abc", RapifyExpectedValue, 1, 8, "-"},
        {"x =", RapifyExpectedValue, 1, 7, "-"},
        {"class ;", RapifyExpectedClassName, 1, ';', "-"},
        {"class A = 1;", RapifyExpectedInheritOrBrace, 1, '=', "-"},
        {"class A\n", RapifyExpectedInheritOrBrace, 1, 7, "-"},
        {"class A : B", RapifyExpectedBraceAfterInherit, 1, 7, "-"},
        {"class A { x = 1 }", RapifyExpectedStatement, 1, 7, "-"},
        {"class A { class B {} }", RapifyExpectedSemicolon, 1, '}', "-"},
        {"enum A;", RapifyExpectedInheritOrBrace, 1, 0, "-"},
        {"class A : ;", RapifyExpectedInheritLabel, 1, ';', "-"},
        {"class A : B;", RapifyExpectedBraceAfterInherit, 1, ';', "-"},
        {"x;", RapifyExpectedArrayOrAssign, 1, ';', "-"},
        {"x = 1; y", RapifyExpectedArrayOrAssign, 1, 7, "-"},
        {"x[] {", RapifyExpectedAssign, 1, '{', "-"},
        {"x[] = 1;", RapifyExpectedArrayBrace, 1, 0, "-"},
        {"x[;", RapifyExpectedBracket, 1, ';', "-"},
        {"x[] = {1;2};", RapifyExpectedArrayValue, 1, ';', "-"},
        {"x[] = {1,\n", RapifyExpectedArrayValue, 1, 7, "-"},
        {"x[] = {=};", RapifyExpectedArrayValue, 1, '=', "-"},
        {"enum {A = -1};", RapifyExpectedStatement, 1, 0, "-"},
        {"enum {A,};", RapifyExpectedStatement, 1, '}', "-"},
        {"enum {};", RapifyExpectedStatement, 1, '}', "-"},
        {"enum {A B};", RapifyExpectedStatement, 1, 0, "-"},
        {"enum {A = 1 = 2};", RapifyExpectedStatement, 1, '=', "-"},
        {"enum {A}\nx = 1;", RapifyExpectedStatement, 2, 0, "-"},
        {"x = 1;\nclass A {\n y = 2;\n z\n};", RapifyExpectedArrayOrAssign, 5, '}', "-"},
    };
    CheckWithOneCompiler(rows);
}

TEST(RapifyParser, EnumTableFollowsTheCompile)
{
    Rapify compiler;
    ASSERT_EQ(0, compiler.ProcessBuffer("enum {A, B = 5, C};\nclass X { enum {=7, D, E = 99999999999}; };", "c.cpp",
                                        nullptr, nullptr));
    const EnumTable& table = compiler.GetEnumTable();
    ASSERT_EQ(6, table.Count());
    const char* names[] = {"A", "B", "C", nullptr, "D", "E"};
    const int values[] = {0, 5, 6, 7, 8, INT32_MAX};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_STREQ(names[i], table.Name(i)) << i;
        EXPECT_EQ(values[i], table.Value(i)) << i;
    }
    // Another object's compile leaves this table alone; this object's next
    // compile starts it afresh.
    Rapify other;
    ASSERT_EQ(0, other.ProcessBuffer("enum {Z};", "d.cpp", nullptr, nullptr));
    EXPECT_EQ(6, compiler.GetEnumTable().Count());
    ASSERT_EQ(0, compiler.ProcessBuffer("x = 1;", "c.cpp", nullptr, nullptr));
    EXPECT_EQ(0, compiler.GetEnumTable().Count());
}

TEST(RapifyParser, EnumTableHoldsAtMost499)
{
    for (int count : {499, 500})
    {
        std::string text = "enum {";
        for (int i = 0; i < count; ++i)
            text += (i ? ",E" : "E") + std::to_string(i);
        text += "};";
        Rapify compiler;
        EXPECT_EQ(count == 499 ? 0 : RapifyNoMemory, compiler.ProcessBuffer(text.c_str(), "c", nullptr, nullptr))
            << count;
        EXPECT_EQ(499, compiler.GetEnumTable().Count());
    }
}

TEST(RapifyParser, RootLookupsAndMessages)
{
    Rapify compiler;
    EXPECT_EQ(nullptr, compiler.GetFirstEntry());
    EXPECT_EQ(nullptr, compiler.FindClass("a"));
    ASSERT_EQ(0, compiler.ProcessBuffer("x = 1; class A { y = 1; }; class a {}; class B;", "P:\\addon\\config.cpp",
                                        nullptr, nullptr));
    Classes* root = compiler.GetFirstEntry();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(EntryKind::Class, root->kind);
    EXPECT_STREQ("config.cpp", root->name);
    EXPECT_EQ(nullptr, root->text);
    Classes* a = compiler.FindClass("a");
    ASSERT_NE(nullptr, a);
    EXPECT_STREQ("A", a->name);
    EXPECT_NE(nullptr, a->child);
    EXPECT_EQ(nullptr, compiler.FindClass("B")); // a declaration, not a class
    EXPECT_EQ(nullptr, compiler.FindClass("x"));

    for (const char* path : {"dir/sub/file.ext", "file.ext", "dir\\file.ext"})
    {
        ASSERT_EQ(0, compiler.ProcessBuffer("", path, nullptr, nullptr));
        EXPECT_STREQ("file.ext", compiler.GetFirstEntry()->name) << path;
    }
    EXPECT_EQ(RapifyUnexpectedBrace, compiler.ProcessBuffer("}", "c", nullptr, nullptr));
    EXPECT_EQ(nullptr, compiler.GetFirstEntry());
    EXPECT_EQ(RapifyCannotOpen, compiler.ProcessBuffer(nullptr, "c", nullptr, nullptr));
    compiler.Clear();
    EXPECT_EQ(nullptr, compiler.GetFirstEntry());

    const struct
    {
        int code;
        const char* message;
    } messages[] = {{0, "No Error"},
                    {1, "No Memory"},
                    {2, "Output Unknown packet type decoded (internal error)"},
                    {10, "Expected class, define, or varname"},
                    {20, "Expected value , or {} in array"},
                    {21, "#Define bad label"},
                    {27, "Not enough parms in define expansion"},
                    {32, "Cannot include (or error in) file"},
                    {33, "No classes have been built"},
                    {34, "unknown error type"},
                    {-1, "unknown error type"}};
    for (const auto& m : messages)
        EXPECT_STREQ(m.message, Rapify::ErrString(m.code)) << m.code;
}

// Nodes and texts are carved from blocks: texts around and far beyond the
// size that gets a block of its own, among enough statements to fill several
// blocks, come back whole and in order.
TEST(RapifyParser, LongTextsAmongManyNodes)
{
    const size_t lengths[] = {1, 16 * 1024 - 1, 16 * 1024, 16 * 1024 + 1, 70000, 200000};
    for (size_t length : lengths)
    {
        const std::string value(length, 'v');
        std::string text;
        std::string expected;
        for (int i = 0; i < 3000; ++i)
        {
            const std::string n = std::to_string(i);
            text += "class C" + n + " { a" + n + " = " + n + "; };\n";
            expected += "C" + n + "{a" + n + "=I" + n + "} ";
            if (i % 1000 == 500)
            {
                text += "long" + n + " = " + value + ";\nlist" + n + "[] = {\"" + value + "\", 1};\n";
                expected += "long" + n + "=S\"" + value + "\" list" + n + "[]={S\"" + value + "\",I1} ";
            }
        }
        expected.pop_back();
        rapifytest::Result r = rapifytest::Compile(text);
        ASSERT_EQ(r.code, 0) << length;
        EXPECT_TRUE(r.tree == expected) << length;
    }
}

// A compile whose allocations give out at any point answers "No Memory" and
// leaves no tree; given enough it compiles as if nothing had been in its way.
TEST(RapifyParser, AllocationFailureAnywhereAnswersNoMemory)
{
    const std::string text = "class A : B { x = 1; s = \"t\"; a[] = {1, {2, 3}, \"" + std::string(20000, 'w') +
                             "\"}; };\nclass D; extern E; y = 2.5;\n";
    const rapifytest::Result good = rapifytest::Compile(text);
    ASSERT_EQ(good.code, 0);
    for (long successes = 0;; ++successes)
    {
        Rapify compiler;
        rapifytest::Result r;
        {
            testsupport::AllocBudget failing(successes);
            r = rapifytest::Compile(compiler, text);
        }
        if (r.code == 0)
        {
            EXPECT_EQ(r.tree, good.tree);
            break;
        }
        EXPECT_EQ(r.code, RapifyNoMemory) << "after " << successes;
        EXPECT_EQ(r.tree, "-");
        ASSERT_LT(successes, 10000);
    }
}
