// What bounds a compile and what it tells about where it stopped: include
// names kept inside the top file's folder, the budget of expanded and
// included text, the file and line of an error, the layout chosen by the
// caller, and the limit texts.

#include <gtest/gtest.h>

#include <string>

#include "OutputTestUtil.h"
#include "RapifyTestUtil.h"
#include "frame/Platform.h"
#include "rapify/RapifyCodes.h"
#include "support/RapBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace
{
std::string Repeat(const std::string& piece, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}
} // namespace

TEST(RapifyLimits, IncludesStayInsideTheTopFolder)
{
    TempDir outer;
    const std::string top = outer.Path("addon");
    const std::string sub = top + TempDir::Separator + "sub";
    ASSERT_EQ(0, platform::MakeFolder(top.c_str()));
    ASSERT_EQ(0, platform::MakeFolder(sub.c_str()));
    WriteFile(outer.Path("secret.h"), std::string("secret = 1;"));
    WriteFile(sub + TempDir::Separator + "inc.h", std::string("inside = 1;"));
    const std::string secret = outer.Path("secret.h");
    const struct
    {
        std::string text;
        const char* source; // the top file's path as given
        int code;
    } rows[] = {
        {"#include \"x\\..\\secret.h\"", "config.cpp", RapifyCannotInclude},
        {"#include \"x\\sub\\..\\..\\secret.h\"", "config.cpp", RapifyCannotInclude},
        {"#include \"x\\../secret.h\"", "config.cpp", RapifyCannotInclude},
        {"#include \"" + secret + "\"", "config.cpp", RapifyCannotInclude},
        {"#include \"x\\C:\\secret.h\"", "config.cpp", RapifyCannotInclude},
        {"#include \"x\\/secret.h\"", "config.cpp", RapifyCannotInclude},
        // Steps that stay inside are followed.
        {"#include \"x\\sub\\..\\sub\\inc.h\"", "config.cpp", 0},
        {"#include \"x\\.\\sub\\inc.h\"", "config.cpp", 0},
    };
    for (const auto& row : rows)
    {
        // The top file named with its folder, and (for rooted names) alone.
        Rapify compiler;
        const std::string path = top + TempDir::Separator + row.source;
        EXPECT_EQ(row.code, compiler.ProcessBuffer(row.text.c_str(), path.c_str(), nullptr, nullptr)) << row.text;
        Rapify bare;
        if (row.code)
        {
            EXPECT_EQ(row.code, bare.ProcessBuffer(row.text.c_str(), row.source, nullptr, nullptr)) << row.text;
        }
    }
}

TEST(RapifyLimits, ExpandedAndIncludedTextHasABudget)
{
    // Six macros of ten uses each around a 10 KB string: 10^6 copies.
    std::string bomb = "#define M0 \"" + std::string(10000, 'q') + "\"\n";
    for (int i = 1; i <= 6; ++i)
        bomb += "#define M" + std::to_string(i) + " " + Repeat("M" + std::to_string(i - 1) + ",", 9) + "M" +
                std::to_string(i - 1) + "\n";
    bomb += "x[] = {M6};\n";
    Rapify compiler;
    EXPECT_EQ(RapifyNoMemory, compiler.ProcessBuffer(bomb.c_str(), "config.cpp", nullptr, nullptr));
    ASSERT_NE(nullptr, compiler.GetLimitText());
    EXPECT_NE(std::string::npos, std::string(compiler.GetLimitText()).find("passed its limit"));

    // Includes fanning out: each level includes the next ten times, the last
    // is 100 KB, so 1000 copies are asked for.
    TempDir dir;
    for (int level = 1; level <= 3; ++level)
        WriteFile(dir.Path("l" + std::to_string(level) + ".h"),
                  Repeat("#include \"l" + std::to_string(level + 1) + ".h\"\n", 10));
    dir.Put("l4.h", "s = \"" + std::string(100000, 's') + "\";\n");
    const std::string top = dir.Path("config.cpp");
    EXPECT_EQ(RapifyNoMemory, compiler.ProcessBuffer("#include \"l1.h\"\n", top.c_str(), nullptr, nullptr));
    EXPECT_NE(nullptr, compiler.GetLimitText());

    // Just under the budget, twice with one object: every compile has its own.
    const std::string near = "#define A \"" + std::string(10240, 'a') + "\"\nx[] = {" + Repeat("A,", 6499) + "A};\n";
    for (int round = 0; round < 2; ++round)
    {
        EXPECT_EQ(0, compiler.ProcessBuffer(near.c_str(), "config.cpp", nullptr, nullptr)) << round;
        EXPECT_EQ(nullptr, compiler.GetLimitText());
    }
}

TEST(RapifyLimits, ErrorsNameTheirFileAndLine)
{
    TempDir dir;
    dir.Put("ten.h", Repeat("a = 1;\n", 10));
    dir.Put("bad.h", std::string("ok = 1;\r\nclass {\r\n"));
    const std::string top = dir.Path("config.cpp");
    const struct
    {
        std::string text;
        int code;
        const char* file; // last component; null for the top file
        int line;
        int lineCount;
    } rows[] = {
        // The read that finds the end of the input is no line.
        {"class A {\nx = 1;", RapifyExpectedStatement, nullptr, 2, 2},
        {"x = 1;\n", 0, nullptr, 1, 1},
        // The line end added after an included text counts in LineCount too.
        {"#include \"ten.h\"\nb = 2;\nclass {", RapifyExpectedClassName, nullptr, 3, 14},
        {"x = 1;\n#include \"bad.h\"\ny = 2;", RapifyExpectedClassName, "bad.h", 2, 4},
    };
    Rapify compiler;
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.code, compiler.ProcessBuffer(row.text.c_str(), top.c_str(), nullptr, nullptr)) << row.text;
        const std::string file = compiler.GetCurrentFile() ? compiler.GetCurrentFile() : "(null)";
        const std::string expected = row.file ? row.file : "config.cpp";
        EXPECT_EQ(expected, file.substr(file.size() >= expected.size() ? file.size() - expected.size() : 0))
            << row.text;
        EXPECT_EQ(row.line, compiler.GetCurrentLine()) << row.text;
        EXPECT_EQ(row.lineCount, compiler.LineCount()) << row.text;
    }
}

TEST(RapifyLimits, LayoutChosenBeforeTheCompile)
{
    Rapify compiler;
    compiler.SetLayout(1);
    // A source that ends inside an open comment still gets the layout.
    ASSERT_EQ(0, compiler.ProcessBuffer("a = 1;\n/* open", "config.cpp", nullptr, nullptr));
    EXPECT_EQ(1, compiler.GetLayout());
    EXPECT_EQ(kArmaA1, outtest::WriteTree(compiler, false).bytes);
    // A pragma in the source still decides.
    compiler.SetLayout(0);
    ASSERT_EQ(0, compiler.ProcessBuffer("#pragma _arma_\na = 1;\n", "config.cpp", nullptr, nullptr));
    EXPECT_EQ(1, compiler.GetLayout());
    ASSERT_EQ(0, compiler.ProcessBuffer("a = 1;\n", "config.cpp", nullptr, nullptr));
    EXPECT_EQ(0, compiler.GetLayout());
}

TEST(RapifyLimits, ExpansionLimitsAreNamed)
{
    const struct
    {
        const char* text;
        const char* names;
    } rows[] = {
        {"#define A A\nx = A;", "levels deep"},
        {"#define A x A\ny[] = {A};", "levels deep"},
    };
    for (const auto& row : rows)
    {
        Rapify compiler;
        EXPECT_NE(0, compiler.ProcessBuffer(row.text, "config.cpp", nullptr, nullptr));
        ASSERT_NE(nullptr, compiler.GetLimitText()) << row.text;
        EXPECT_NE(std::string::npos, std::string(compiler.GetLimitText()).find(row.names)) << row.text;
    }
}
