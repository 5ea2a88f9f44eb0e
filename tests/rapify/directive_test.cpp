// #pragma layouts, and #include from disk (relative to the top-level file,
// letter case forgiven) and from an aggregate's open archive.

#include <gtest/gtest.h>

#include <string>

#include "RapifyTestUtil.h"
#include "RazDLL.h"
#include "rapify/RapifyCodes.h"
#include "support/PboBytes.h"
#include "support/TempDir.h"

using namespace testsupport;
using rapifytest::Compile;

TEST(RapifyDirectives, PragmasChooseTheLayout)
{
    const struct
    {
        const char* text;
        int code;
        int layout;
        const char* tree;
    } rows[] = {
        {"x = 1;", 0, 0, "x=I1"},
        {"#pragma _arma_", 0, 1, ""},
        {"#pragma _ARMA_ x = 1;", 0, 1, "x=I1"},
        {"#pragma _xbox_", 0, 1, ""},
        {"#pragma _xbox_ withsignature", 0, 2, ""},
        {"#pragma _XBOX_ WithSignature, please", 0, 2, ""},
        {"#pragma _xbox_  WithSignature", 0, 1, ""},
        {"#pragma _xbox_ WithSig", 0, 1, ""},
        {"#pragma _xbox_ WithSignature\n#pragma _arma_", 0, 1, ""},
        {"#define _xbox_ WithSignature", 0, 2, ""},
        {"#define _Arma_\nx = 1;", 0, 1, "x=I1"},
        // "#define __EMPTYCLASS" is left out once a layout is chosen.
        {"#pragma _arma_\n#define __EMPTYCLASS x = 1;\ny = __EMPTYCLASS", 0, 1, "x=I1 y=S\"__EMPTYCLASS\""},
        {"#define __EMPTYCLASS x = 1;\ny = __EMPTYCLASS", 0, 0, "y=S\"x = 1\""},
        {"#pragma", RapifyPragmaNotUnderstood, 0, "-"},
        {"#pragma other", RapifyPragmaNotUnderstood, 0, "-"},
        {"class A {\n#pragma _arma_\n};", RapifyPragmaNotUnderstood, 0, "-"},
        {"class A {\n#define _xbox_\n};", RapifyPragmaNotUnderstood, 0, "-"},
    };
    Rapify compiler;
    for (const auto& row : rows)
    {
        rapifytest::Result r = Compile(compiler, row.text);
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.layout, compiler.GetLayout()) << row.text;
        EXPECT_EQ(row.tree, r.tree) << row.text;
    }
}

TEST(RapifyDirectives, IncludeFromDisk)
{
    TempDir dir;
    dir.Put("inc.h", std::string("x = 1;"));
    dir.Put("Mixed.H", std::string("m = 1;"));
    dir.Put("same.h", std::string("lower = 1;"));
    dir.Put("SAME.h", std::string("upper = 1;"));
    dir.Put("defs.h", std::string("#define V 7\n#include \"inc.h\""));
    dir.Put("self.h", std::string("a = 1;\n#include \"self.h\"\n"));
    dir.Put("empty.h", std::string());
    const struct
    {
        const char* text;
        int code;
        int lines;
        int returned;
        const char* tree;
    } rows[] = {
        {"#include \"inc.h\"\ny = 2;", 0, 3, 7, "x=I1 y=I2"},
        {"#include <inc.h>", 0, 2, 7, "x=I1"},
        {"#include \"sub\\inc.h\"", 0, 2, 7, "x=I1"},
        {"#include \"a\\sub\\inc.h\"", RapifyCannotInclude, 1, 0, "-"},
        {"class A {\n#include \"inc.h\"\n};", 0, 4, 7, "A{x=I1}"},
        {"#include \"defs.h\"\nv = V;", 0, 5, 7, "x=I1 v=I7"},
        {"#include \"mixed.h\"", 0, 2, 7, "m=I1"},
        // A directive that a macro produces: the rest of the line goes with it.
        {"#define INC #include <inc.h>\nINC ignored\ny = 1;", 0, 4, 7, "x=I1 y=I1"},
#if !defined(_WIN32) // names that differ only in case are one file there
        {"#include \"same.h\"\n#include \"SAME.h\"", 0, 4, 7, "lower=I1 upper=I1"},
#endif
        {"#include", RapifyNoIncludeName, 1, RapifyNoIncludeName, "-"},
        {"#include  \"inc.h\"", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"empty.h\"", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"none.h\"", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"\\inc.h\"", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"inc.h\" x", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"inc.h>", RapifyCannotInclude, 1, 0, "-"},
        {"#include inc.h", RapifyCannotInclude, 1, 0, "-"},
        {"#include \"a.\"", RapifyCannotInclude, 1, 0, "-"},
        // A file that includes itself stops at the nesting bound.
        {"#include \"self.h\"", RapifyCannotInclude, 1 + 2 * 32, 0, "-"},
    };
    const std::string top = dir.Path("config.cpp");
    Rapify compiler;
    for (const auto& row : rows)
    {
        rapifytest::Result r = Compile(compiler, row.text, top.c_str());
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.lines, r.lines) << row.text;
        EXPECT_EQ(row.returned, r.returned) << row.text;
        EXPECT_EQ(row.tree, r.tree) << row.text;
    }

    // ProcessFile names the root after the file and resolves includes beside it.
    WriteFile(top, std::string("#include \"inc.h\"\r\nclass B {};\r\n"));
    ASSERT_EQ(0, compiler.ProcessFile(top.c_str(), nullptr));
    EXPECT_STREQ("config.cpp", compiler.GetFirstEntry()->name);
    EXPECT_EQ("x=I1 B{}", rapifytest::RenderList(compiler.GetFirstEntry()->child));
    // An empty file is an empty config; only a missing one cannot be opened.
    ASSERT_EQ(0, compiler.ProcessFile(dir.Path("empty.h").c_str(), nullptr));
    EXPECT_EQ(nullptr, compiler.GetFirstEntry()->child);
    EXPECT_EQ(RapifyCannotOpen, compiler.ProcessFile(dir.Path("missing.cpp").c_str(), nullptr));
}

TEST(RapifyDirectives, IncludeFromArchive)
{
    // A binarised config in the Arma layout holding the value a = 1.
    const Bytes binarised = {0x00, 0x72, 0x61, 0x50, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,
                             0x1E, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x02, 0x61, 0x00, 0x01, 0x00,
                             0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    TempDir dir;
    TestEntry bin;
    bin.name = "bin.h";
    bin.data = binarised;
    dir.Put("a.pbo", MakeArchive({StoredEntry("inc.h", "x = 1;"), StoredEntry("SUB\\deep.h", "d = 2;"),
                                  StoredEntry("empty.h", ""), bin}));
    dir.Put("disk.h", std::string("disk = 1;"));
    RazDLL dll;
    ASSERT_EQ(0, dll.ostrel.OpenPbo(dir.Path("a.pbo").c_str(), nullptr));
    const struct
    {
        const char* text;
        int code;
        const char* tree;
    } rows[] = {
        {"#include \"INC.H\"\ny = 2;", 0, "x=I1 y=I2"},
        {"#include \"x\\sub\\deep.h\"", 0, "d=I2"},
        {"#include \"bin.h\"", 0, "a=I1"},
        {"#include \"empty.h\"", RapifyCannotInclude, "-"},
        {"#include \"disk.h\"", RapifyCannotInclude, "-"},
    };
    const std::string top = dir.Path("config.cpp");
    for (const auto& row : rows)
    {
        rapifytest::Result r = Compile(dll.rapify, row.text, top.c_str(), &dll);
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.tree, r.tree) << row.text;
    }
    // Without the aggregate the same object reads the disk again.
    EXPECT_EQ("disk=I1", Compile(dll.rapify, "#include \"disk.h\"", top.c_str()).tree);
}
