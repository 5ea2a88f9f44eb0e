// Config text reading: comments, continued lines, quoting, line counting and
// the per-line callback.

#include <gtest/gtest.h>

#include "RapifyTestUtil.h"
#include "rapify/RapifyCodes.h"
#include "support/Capture.h"

using rapifytest::CheckCompiles;
using rapifytest::Compile;
using rapifytest::Row;

TEST(RapifyScanner, Comments)
{
    static const Row rows[] = {
        {"; note\nx = 1;", 0, 2, 7, "x=I1"},
        {"url = http://a.b/c; // note", 0, 1, 7, "url=S\"http://a.b/c\""},
        {"a = 1; // note\n// whole line\nb = 2;", 0, 3, 7, "a=I1 b=I2"},
        {"x = a//b;", 0, 1, 7, "x=S\"a\""},
        {"x = \"a//b\";", RapifyExpectedValue, 1, RapifyMismatchedQuotes, "-"},
        {"x = 1 /* a */ + 2;", 0, 1, 7, "x=S\"1  + 2\""},
        {"x = 1 /* a */ /* b */ + 2;", 0, 1, 7, "x=S\"1   + 2\""},
        {"x = 1 / 2;", 0, 1, 7, "x=S\"1 / 2\""},
        {"/* open\nx = 1;\nstill */ y = 2;", 0, 3, 7, "y=I2"},
        {"/* open\nx = 1;\n*/\ny = 2;", 0, 4, 7, "y=I2"},
        {"x = 1; /*\n*/ y = 2; /* again\n */", 0, 3, 7, "x=I1 y=I2"},
        // Text after a closing "*/" is no comment line, even when it starts with ';'.
        {"/*\n*/;x = 1;", RapifyExpectedStatement, 2, ';', "-"},
        {"/* never closed\nx = 1;", 0, 2, 7, ""},
        // Text after a closing "*/" on the next line is a line of its own.
        {"x = 1 /* a\nb */ + 2;", RapifyExpectedArrayOrAssign, 2, 0, "-"},
        {"class A {}\n; note", 0, 2, 7, "A{}"},
        // Comment lines read while looking for a statement's end leave no
        // text behind to be read as the next statement.
        {"x = 5\n;aaaaaaaaaaaa", 0, 2, 7, "x=I5"},
        {"class A {}\n// a comment longer than the class", 0, 2, 7, "A{}"},
        {"x[] = {1}\n/* open comment, longer", 0, 2, 7, "x[]={I1}"},
    };
    CheckCompiles(rows);
}

TEST(RapifyScanner, LinesAndContinuations)
{
    static const Row rows[] = {
        {"x\t=\t1;", 0, 1, 7, "x=I1"},
        {"x = 1;\r\ny = 2;\r\n", 0, 2, 7, "x=I1 y=I2"},
        {"x = 1;\ry = 2;", 0, 1, 7, "x=I1"},
        {"class A {}\\\nclass B {};", 0, 2, 7, "A{} B{}"},
        {"x = 1 + \\\n  2;", 0, 2, 7, "x=S\"1 + 2\""},
        {"a[] = {1, \\\n2, \\\n3};", 0, 3, 7, "a[]={I1,I2,I3}"},
        {"x = 1 + \\\n// between\n2;", 0, 3, 7, "x=S\"1 + 2\""},
        // A continuation on the last line keeps that line.
        {"x = 1;\\", 0, 1, 7, "x=I1"},
        {"y = 0;\nx = 5 \\\n", 0, 2, 7, "y=I0 x=I5"},
        {"x = 1;\n \\", 0, 2, 7, "x=I1"},
        {"x = a\\\n\\\nb;", 0, 3, 7, "x=S\"a  b\""},
        {"x = a \\\n}\\\nb;", RapifyExpectedArrayOrAssign, 3, ';', "-"},
        {"x =\n5;", 0, 2, 7, "x=I5"},
        {"class A\n{\n\n  x = 1\n}\n", 0, 5, 7, "A{x=I1}"},
    };
    CheckCompiles(rows);
}

TEST(RapifyScanner, Quoting)
{
    static const Row rows[] = {
        {"x = \"  a  \";", 0, 1, 7, "x=S\"a\""},
        {"x[] = {\"  a  \"};", 0, 1, 7, "x[]={S\"  a  \"}"},
        {"x = \"a\"\"b\"\"\";", 0, 1, 7, "x=S\"a\"b\"\""},
        {"x = \"\";", 0, 1, 7, "x=S\"\""},
        {"x = \"12\"; y[] = {\"1.5\", 1.5};", 0, 1, 7, "x=S\"12\" y[]={S\"1.5\",F1.5}"},
        {"x = a \"b\" c;", 0, 1, 7, "x=S\"a \"b\" c\""},
        {"x = \"a;b\";", 0, 1, 7, "x=S\"a;b\""},
        {"\"class\" A {};", 0, 1, 7, "A{}"},
        {"x[] = {\"a\nb\"};", RapifyExpectedArrayValue, 1, RapifyMismatchedQuotes, "-"},
        {"x[] = {F(1, 2), g (3)};", 0, 1, 7, "x[]={S\"F(1, 2)\",S\"g\",S\"(3)\"}"},
        {"x = F(1;", RapifyExpectedValue, 1, RapifyExpectedParenthesis, "-"},
        {"x = a) b;", RapifyExpectedSemicolon, 1, 0, "-"},
    };
    CheckCompiles(rows);
}

TEST(RapifyScanner, CallbackSeesEveryPhysicalLine)
{
    testsupport::Capture::Reset();
    Rapify compiler;
    ASSERT_EQ(0,
              compiler.ProcessBuffer("a = 1;\r\n// c\n\n\tb = 2;", "c.cpp", &testsupport::Capture::Callback, nullptr));
    const std::vector<std::string> expected = {"a = 1;\r\n", "// c\n", "\n", "\tb = 2;\n"};
    EXPECT_EQ(expected, testsupport::Capture::lines);
    EXPECT_EQ(4, compiler.LineCount()); // four lines; the read that finds the end is none
    EXPECT_EQ(compiler.GetCallback(), &testsupport::Capture::Callback);
    EXPECT_EQ(0, compiler.ProcessBuffer("", "c.cpp", nullptr, nullptr));
    EXPECT_NE(compiler.GetCallback(), &testsupport::Capture::Callback);
}

// Lines take a quick path when they hold no '/', tab or carriage return, and
// token characters are copied in runs: both must read lines exactly as the
// character-by-character path does.
TEST(RapifyScanner, QuickPathsReadLikeTheSlowOnes)
{
    static const Row rows[] = {
        {"\xC3\xA9t\xC3\xA9 = caf\xC3\xA9;", 0, 1, 7, "\xC3\xA9t\xC3\xA9=S\"caf\xC3\xA9\""},
        {"x = \xFF\x80;\ty = a\tb;", 0, 1, 7, "x=S\"\xFF\x80\" y=S\"a b\""},
        {"\t\tx = 1;\t\t", 0, 1, 7, "x=I1"},
        {"x = 1;\rjunk", 0, 1, 7, "x=I1"},
        {"x = a/b;\ty = 2;", 0, 1, 7, "x=S\"a/b\" y=I2"},
        {"x = a/b/c/*z*/d;", 0, 1, 7, "x=S\"a/b/cd\""},
        {"   x = 1;", 0, 1, 7, "x=I1"},
        {"x = 1;   ", 0, 1, 7, "x=I1"},
        {"  \t  \n\tx=1;", 0, 2, 7, "x=I1"},
        {"longname_with_digits_0123456789 = value_0123456789_more;", 0, 1, 7,
         "longname_with_digits_0123456789=S\"value_0123456789_more\""},
        {"a[]={one,two,three};", 0, 1, 7, "a[]={S\"one\",S\"two\",S\"three\"}"},
        {"a[]={F(x, y),G(z)};", 0, 1, 7, "a[]={S\"F(x, y)\",S\"G(z)\"}"},
        {"x = (a b) c;", 0, 1, 7, "x=S\"(a b) c\""},
    };
    CheckCompiles(rows);
}
