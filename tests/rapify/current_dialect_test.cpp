// The current game's preprocessor in the config compiler: one table per rule
// family, each row a set of files, the top file and the tree or the error.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "OutputTestUtil.h"
#include "RapifyTestUtil.h"
#include "RazDLL.h"
#include "frame/Text.h"
#include "rap/DeRap.h"
#include "rapify/RapifyCodes.h"
#include "support/FolderTest.h"
#include "support/PboBytes.h"

namespace
{
using Files = std::vector<std::pair<std::string, std::string>>;

struct Row
{
    const char* what;
    Files files; // the first one is compiled
    const char* tree;
    const char* error = nullptr; // part of the last diagnostic when it fails
};

class CurrentDialect : public testsupport::FolderTest
{
protected:
    void Check(const std::vector<Row>& table)
    {
        testsupport::CheckRows(table, [](const Row& row) {
            TempDir dir;
            for (const auto& file : row.files)
                dir.Put(file.first, file.second);
            Rapify compiler;
            compiler.SetDialect(RapifyDialect::Current);
            compiler.AddMountTree(dir.Path("").c_str());
            // A mod's include folder is mounted as the tool mounts it.
            for (const auto& file : row.files)
            {
                const size_t at = file.first.find("include/");
                if (at != std::string::npos &&
                    compiler.GetMounts().back().folder != dir.Path(file.first.substr(0, at + 7)))
                    compiler.AddMountTree(dir.Path(file.first.substr(0, at + 7)).c_str());
            }
            const int code = compiler.ProcessFile(dir.Path(row.files[0].first).c_str(), nullptr);
            const std::string tree =
                compiler.GetFirstEntry() ? rapifytest::RenderList(compiler.GetFirstEntry()->child) : "-";
            EXPECT_EQ(row.tree, tree);
            if (row.error)
            {
                EXPECT_NE(code, 0);
                ASSERT_FALSE(compiler.GetDiagnostics().empty());
                EXPECT_NE(compiler.GetDiagnostics().back().message.find(row.error), std::string::npos)
                    << compiler.GetDiagnostics().back().message;
            }
            else
            {
                EXPECT_EQ(code, 0) << (compiler.GetDiagnostics().empty() ? ""
                                                                         : compiler.GetDiagnostics().back().message);
            }
        });
    }
};

TEST_F(CurrentDialect, CommentsAndContinuations)
{
    Check({
        {"line and block comments", {{"config.cpp", "a=1; // x\n/* b=2;\n c=3; */ d=4;\n"}}, "a=I1 d=I4"},
        {"comment markers in strings", {{"config.cpp", "u=\"http://x/*y*/\";\n"}}, "u=S\"http://x/*y*/\""},
        {"comment on a define line", {{"config.cpp", "#define A 5 // five\na=A;\n"}}, "a=I5"},
        {"continued define", {{"config.cpp", "#define A 1\\\n2\na=A;\n"}}, "a=I12"},
        {"continued call argument", {{"config.cpp", "#define Q(x) #x\ns=Q(a\\\n  b);\n"}}, "s=S\"a  b\""},
        {"CR LF line ends", {{"config.cpp", "#define A 7\r\na=A;\r\n"}}, "a=I7"},
    });
}

TEST_F(CurrentDialect, Definitions)
{
    Check({
        {"later definition replaces", {{"config.cpp", "#define A 1\n#define A 2\na=A;\n"}}, "a=I2"},
        {"undef then define", {{"config.cpp", "#define A 1\n#undef A\n#define A 3\na=A;\n"}}, "a=I3"},
        {"undef leaves the name", {{"config.cpp", "#define A 1\n#undef A\na=A;\n"}}, "a=S\"A\""},
        {"whole identifiers only", {{"config.cpp", "#define M 3\n#define N 15\nv=M.N;\nw=MN;\n"}}, "v=F3.15 w=S\"MN\""},
        {"expanded at use", {{"config.cpp", "#define B C(1)\n#define C(x) x##0\nb=B;\n"}}, "b=I10"},
        {"self reference stops", {{"config.cpp", "#define A A+1\na=A;\n"}}, "a=S\"A+1\""},
        {"a use follows a later definition",
         {{"config.cpp", "#define A B\n#define B 1\nx=A;\n#undef B\n#define B 2\ny=A;\n#undef B\nz=A;\n"}},
         "x=I1 y=I2 z=S\"B\""},
        {"a macro inside its own chain",
         {{"config.cpp", "#define A B\n#define B A C\na=A;\nb=B;\nc=A;\n"}},
         "a=S\"A C\" b=S\"B C\" c=S\"A C\""},
        {"a chain used inside one of its macros",
         {{"config.cpp", "#define P Q\n#define Q R\n#define R(x) x P\np=P;\nr=R(1);\nq=Q(2);\n"}},
         "p=S\"R\" r=S\"1 R\" q=S\"R(2)\""},
        {"counters in a macro count each use",
         {{"config.cpp", "#define N __COUNTER__\nc[]={N,N,N};\n"}},
         "c[]={I0,I1,I2}"},
        {"empty body", {{"config.cpp", "#define E\na=1 E;\n"}}, "a=I1"},
        {"array body inside braces",
         {{"config.cpp", "#define V {3,15,7}\nclass C { v[]=V; };\n"}},
         "C{v[]={I3,I15,I7}}"},
        {"indented directive", {{"config.cpp", "  #define A 4\na=A;\n"}}, "a=I4"},
        {"unknown directive", {{"config.cpp", "#elif 1\n"}}, "-", "unknown directive '#elif'"},
    });
}

TEST_F(CurrentDialect, FunctionMacrosAndOperators)
{
    const std::string cba = "#define PREFIX tst\n#define COMPONENT main\n"
                            "#define DOUBLES(a,b) a##_##b\n#define TRIPLES(a,b,c) a##_##b##_##c\n"
                            "#define ADDON DOUBLES(PREFIX,COMPONENT)\n#define QUOTE(x) #x\n"
                            "#define GVAR(x) DOUBLES(ADDON,x)\n#define QGVAR(x) QUOTE(GVAR(x))\n"
                            "#define ARR_2(a,b) a,b\n";
    Check({
        {"arguments expanded before ##", {{"config.cpp", cba + "class DOUBLES(ADDON,x) {};\n"}}, "tst_main_x{}"},
        {"arguments expanded before #", {{"config.cpp", cba + "#define V 3.1\ns=QUOTE(V);\n"}}, "s=S\"3.1\""},
        {"# does not escape", {{"config.cpp", cba + "s=QUOTE(f QUOTE(QGVAR(x)));\n"}}, "s=S\"f \"tst_main_x\"\""},
        {"## with a non-parameter",
         {{"config.cpp", cba + "u=QUOTE(TRIPLES($STR,ADDON,URL));\n"}},
         "u=S\"$STR_tst_main_URL\""},
        {"spaces in the call kept", {{"config.cpp", cba + "s=QUOTE(ACE3 - COMPONENT);\n"}}, "s=S\"ACE3 - main\""},
        {"#word without parameters", {{"config.cpp", "#define TAG #label\ns=TAG;\n"}}, "s=S\"label\""},
        {"# as an argument", {{"config.cpp", "#define K(x) x##kick\ns='K(#)';\n"}}, "s=S\"'#kick'\""},
        {"single quotes expand", {{"config.cpp", cba + "s=QUOTE('GVAR(y)');\n"}}, "s=S\"'tst_main_y'\""},
        {"double quotes do not", {{"config.cpp", cba + "s=\"GVAR(y)\";\n"}}, "s=S\"GVAR(y)\""},
        {"parentheses group commas", {{"config.cpp", cba + "s=QUOTE([ARR_2(1,2)] call f);\n"}}, "s=S\"[1,2] call f\""},
        {"brackets do not", {{"config.cpp", cba + "s=QUOTE([1,2]);\n"}}, "-", "takes 1 arguments, 2 given"},
        {"no closing parenthesis", {{"config.cpp", cba + "s=QUOTE(a;\n"}}, "-", "no ')'"},
        {"variadic rest of the call",
         {{"config.cpp", "#define Q(x) #x\n#define F(a, ...) [a|__VA_ARGS__]\ns=Q(F(1,2, (3,4)));\n"}},
         "s=S\"[1|2, (3,4)]\""},
        {"variadic with nothing left",
         {{"config.cpp", "#define Q(x) #x\n#define F(a,...) a|__VA_ARGS__|\ns=Q(F(1));\n"}},
         "s=S\"1||\""},
        {"variadic quoted and alone",
         {{"config.cpp", "#define S(...) #__VA_ARGS__\n#define A(...) {__VA_ARGS__}\ns=S(a, b);\nx[]=A(1,2,3);\n"}},
         "s=S\"a, b\" x[]={I1,I2,I3}"},
        {"variadic args expanded",
         {{"config.cpp", "#define Q(x) #x\n#define V 7\n#define F(...) __VA_ARGS__\ns=Q(F(V,V));\n"}},
         "s=S\"7,7\""},
        {"variadic too few",
         {{"config.cpp", "#define F(a,b,...) a\nx=F(1);\n"}},
         "-",
         "takes at least 2 arguments, 1 given"},
        {"__VA_OPT__ refused",
         {{"config.cpp", "#define F(a,...) a __VA_OPT__(,) __VA_ARGS__\n"}},
         "-",
         "'__VA_OPT__' is not supported in macro 'F'"},
        {"other __VA_ names refused",
         {{"config.cpp", "#define T(...) __VA_APPLY__(G)\n"}},
         "-",
         "'__VA_APPLY__' is not"},
        {"__VA_ARGS__ needs ...", {{"config.cpp", "#define F(a) __VA_ARGS__\n"}}, "-", "whose parameters end in '...'"},
        {"... only last", {{"config.cpp", "#define F(...,a) a\n"}}, "-", "bad parameter '...'"},
        {"__VA_ inside a string is text",
         {{"config.cpp", "#define F(a) \"__VA_OPT__\" a\ns=F(1);\n"}},
         "-",
         "Expected Semicolon"},
        {"parameter beside backslash",
         {{"config.cpp", "#define P(a,b) \\x\\a\\b.sqf\ns=QUOTE(P(c,d));\n#define QUOTE(x) #x\n"}},
         "s=S\"QUOTE(\\x\\c\\d.sqf)\""},
    });
}

TEST_F(CurrentDialect, Conditionals)
{
    Check({
        {"ifdef and else",
         {{"config.cpp", "#define D\n#ifdef D\na=1;\n#else\na=2;\n#endif\n#ifndef D\nb=1;\n#else\nb=2;\n#endif\n"}},
         "a=I1 b=I2"},
        {"nesting in a skipped block",
         {{"config.cpp", "#ifdef X\n#ifdef Y\n#else\na=1;\n#endif\n#else\nb=1;\n#endif\n"}},
         "b=I1"},
        {"skipped directives are inert",
         {{"config.cpp", "#ifdef X\n#include \"missing.hpp\"\n#error\n#define A 9\n#endif\na=A;\n"}},
         "a=S\"A\""},
        {"if compares macros",
         {{"config.cpp", "#define L 16\n#define R -18\n#if L < R\na=1;\n#else\na=2;\n#endif\n"}},
         "a=I2"},
        {"if keeps non-zero", {{"config.cpp", "#if 2*3 == 6\na=1;\n#endif\n#if 0\nb=1;\n#endif\n"}}, "a=I1"},
        {"if refuses &&", {{"config.cpp", "#if 1 && 1\n#endif\n"}}, "-", "'&&' is not supported"},
        {"if on an unknown name", {{"config.cpp", "#if NOPE\n#endif\n"}}, "-", "'NOPE' is not defined"},
        {"missing endif", {{"config.cpp", "#ifdef X\n"}}, "-", "without #endif"},
        {"stray else", {{"config.cpp", "#else\n"}}, "-", "#else without"},
        {"has_include",
         {{"config.cpp",
           "#if __has_include(\"\\p\\a.hpp\")\na=1;\n#endif\n"
           "#if __has_include(\"\\p\\b.hpp\")\nb=1;\n#endif\n#if __has_include(\"p\\a.hpp\")\nc=1;\n#endif\n"},
          {"m/$PBOPREFIX$", "p\n"},
          {"m/a.hpp", ""}},
         "a=I1"},
    });
}

TEST_F(CurrentDialect, IncludesAndGamePaths)
{
    Check({
        {"game path through a prefix",
         {{"addons/main/config.cpp", "#include \"\\x\\cba\\main\\m.hpp\"\na=M;\n"},
          {"cba/main/$PBOPREFIX$", "x\\cba\\main\n"},
          {"cba/main/m.hpp", "#define M 5\n"}},
         "a=I5"},
        {"prefix= form and letter case",
         {{"config.cpp", "#include \"\\X\\Y\\Sub\\M.HPP\"\na=M;\n"},
          {"y/pboprefix.txt", "name=y\nprefix=x\\y\n"},
          {"y/sub/m.hpp", "#define M 6\n"}},
         "a=I6"},
        {"include tree at its relative path",
         {{"addons/main/config.cpp", "#include \"\\z\\q\\h.hpp\"\na=H;\n"}, {"include/z/q/h.hpp", "#define H 8\n"}},
         "a=I8"},
        {"relative includes and ..",
         {{"a/config.cpp", "#include \"sub\\x.hpp\"\na=X;\n"},
          {"a/sub/x.hpp", "#include \"..\\y.hpp\"\n#define X Y\n"},
          {"a/y.hpp", "#define Y 2\n"}},
         "a=I2"},
        {"include inside a class",
         {{"config.cpp", "class C {\n#include \"e.hpp\"\n};\n"}, {"e.hpp", "e=1;\n"}},
         "C{e=I1}"},
        {"guarded include read twice",
         {{"config.cpp", "#include \"g.hpp\"\n#include \"g.hpp\"\na=G;\n"},
          {"g.hpp", "#ifndef G\n#define G 1\n#else\n#define G 2\n#endif\n"}},
         "a=I2"},
        {"missing game path", {{"config.cpp", "#include \"\\no\\such.hpp\"\n"}}, "-", "no mounted folder"},
        {"climbing out", {{"config.cpp", "#include \"\\..\\x.hpp\"\n"}}, "-", "climbs out"},
        {"self include", {{"config.cpp", "#include \"config.cpp\"\n"}}, "-", "nested more than"},
        {"mutual macros stop", {{"config.cpp", "#define A B+1\n#define B A+2\na=A;\n"}}, "a=S\"A+2+1\""},
        {"expansion that doubles stops",
         {{"config.cpp", "#define A0 x x\n#define A1 A0 A0\n#define A2 A1 A1\n#define A3 A2 A2\n#define A4 A3 A3\n"
                         "#define A5 A4 A4\n#define A6 A5 A5\n#define A7 A6 A6\n#define A8 A7 A7\n#define A9 A8 A8\n"
                         "#define B0 A9 A9 A9 A9 A9 A9 A9 A9\n#define B1 B0 B0 B0 B0 B0 B0 B0 B0\n"
                         "#define B2 B1 B1 B1 B1 B1 B1 B1 B1\n#define B3 B2 B2 B2 B2 B2 B2 B2 B2\n"
                         "#define B4 B3 B3 B3 B3 B3 B3 B3 B3\na=B4;\n"}},
         "-",
         "macro expansions"},
    });
}

TEST_F(CurrentDialect, BuiltinsAndArithmetic)
{
    Check({
        {"line, file and counter",
         {{"addons/m/config.cpp", "\nl=__LINE__;\nf=__FILE__;\nn=__FILE_NAME__;\ns=__FILE_SHORT__;\n"
                                  "c[]={__COUNTER__,__COUNTER__};\n__COUNTER_RESET__\nd=__COUNTER__;\n"},
          {"addons/m/$PBOPREFIX$", "z\\t\\addons\\m"}},
         "l=I2 f=S\"z\\t\\addons\\m\\config.cpp\" n=S\"config.cpp\" s=S\"config\" c[]={I0,I1} d=I0"},
        {"game flags", {{"config.cpp", "a=__ARMA__;\nb=__ARMA3__;\n"}}, "a=I1 b=I1"},
        {"eval and exec",
         {{"config.cpp", "__EXEC(_x = 2; _y = _x * 3)\na=__EVAL(_y + 1);\nb=__EVAL((7 % 4) / 2);\n"}},
         "a=I7 b=F1.5"},
        {"eval refuses functions", {{"config.cpp", "a=__EVAL(sin 1);\n"}}, "-", "'sin' has no value"},
        {"exec refuses statements", {{"config.cpp", "__EXEC(hint 1)\n"}}, "-", "__EXEC cannot run 'hint 1'"},
        {"eval by zero", {{"config.cpp", "a=__EVAL(1/0);\n"}}, "-", "division by zero"},
        {"eval with hex and parentheses", {{"config.cpp", "a=__EVAL(-(0x10 - 4) * 2);\n"}}, "a=I-24"},
        {"eval of a string", {{"config.cpp", "a=__EVAL(\"x\" + 1);\n"}}, "-", "'\"' is not supported"},
    });
}

// What the parser does with the preprocessed text: strings next to each
// other become one with a line feed between; numbers from macros are typed.
TEST_F(CurrentDialect, ParserBehaviours)
{
    Check({
        {"strings on two lines", {{"config.cpp", "s=\"a\"\n  \"b\";\n"}}, "s=S\"a\nb\""},
        {"written \\n stays two characters", {{"config.cpp", "s=\"a\\nb\";\n"}}, "s=S\"a\\nb\""},
        {"\\n between strings",
         {{"config.cpp", "s=\"a\" \\n \"b\";\nt=\"c\" \\n\n\"d\";\n"}},
         "s=S\"a\nb\" t=S\"c\nd\""},
        {"strings on one line", {{"config.cpp", "s=\"a\" \"b\";\n"}}, "s=S\"a\nb\""},
        {"three strings and blank lines",
         {{"config.cpp", "s=\"a\"\n\n\"b\"\r\n\t\"c\"\nt=1;\n"}},
         "s=S\"a\nb\nc\" t=I1"},
        {"doubled quotes inside", {{"config.cpp", "s=\"a\"\"x\"\"\"\n\"b\";\n"}}, "s=S\"a\"x\"\nb\""},
        {"in an array", {{"config.cpp", "x[]={\"a\"\n\"b\", \"c\"};\n"}}, "x[]={S\"a\nb\",S\"c\"}"},
        {"strings from a macro",
         {{"config.cpp", "#define QUOTE(x) #x\ns=QUOTE(one)\n    QUOTE(two);\n"}},
         "s=S\"one\ntwo\""},
        {"string then a statement", {{"config.cpp", "s=\"a\"\nt=\"b\";\n"}}, "s=S\"a\" t=S\"b\""},
        {"numbers typed like literals",
         {{"config.cpp", "#define V 2.10\n#define W 3.15\nv=V;\nw=W;\n"}},
         "v=F2.10 w=F3.15"},
        {"hexadecimal integers, written and from macros",
         {{"config.cpp", "#define H 0x1A\n#define N(x) x\na=0x1A;\nb=H;\nc=N(0xff);\nd=-0X10;\ne=N(-0x7FFFFFFF);\n"}},
         "a=I26 b=I26 c=I255 d=I-16 e=I-2147483647"},
        {"hexadecimal in arrays, quoted, beyond 32 bits, malformed",
         {{"config.cpp", "x[]={0x1A,\"0x1A\",0x0};\nbig=0x100000000;\nbad=0x1G;\nnone=0x;\n"}},
         "x[]={I26,S\"0x1A\",I0} big=I4294967296 bad=S\"0x1G\" none=S\"0x\""},
    });
}

// The old dialect reads the same texts as it always did.
TEST(ClassicDialect, StringsNextToEachOtherStayApart)
{
    const struct
    {
        const char* text;
        int code;
        const char* tree;
    } rows[] = {
        {"s=\"a\"\n\"b\";\n", RapifyExpectedArrayOrAssign, "-"},
        {"s=\"a\\nb\";\n", 0, "s=S\"a\\nb\""},
        {"x=0x1A;\n", 0, "x=S\"0x1A\""},
    };
    for (const auto& row : rows)
    {
        const rapifytest::Result r = rapifytest::Compile(row.text);
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.tree, r.tree) << row.text;
    }
}

// A CfgPatches built the way mods build it, over an included macro library.
TEST_F(CurrentDialect, AddonShapedConfig)
{
    const std::string macros = "#define MAINPREFIX z\n#define PREFIX tst\n"
                               "#define DOUBLES(a,b) a##_##b\n#define QUOTE(x) #x\n"
                               "#define ADDON DOUBLES(PREFIX,COMPONENT)\n#define GVAR(x) DOUBLES(ADDON,x)\n"
                               "#define QGVAR(x) QUOTE(GVAR(x))\n#define ARR_2(a,b) a,b\n"
                               "#define PATHTOF(x) \\MAINPREFIX\\PREFIX\\addons\\COMPONENT\\x\n"
                               "#define QPATHTOF(x) QUOTE(PATHTOF(x))\n";
    Check({
        {"CfgPatches",
         {{"mod/addons/main/config.cpp", "#include \"script_component.hpp\"\nclass CfgPatches {\n    class ADDON {\n"
                                         "        name = QUOTE(COMPONENT);\n        units[] = {QGVAR(unit)};\n"
                                         "        pos[] = {ARR_2(1,2)};\n        icon = QPATHTOF(ui\\i.paa);\n"
                                         "        init = QUOTE(call FUNC(x));\n    };\n};\n"},
          {"mod/addons/main/$PBOPREFIX$", "z\\tst\\addons\\main\n"},
          {"mod/addons/main/script_component.hpp",
           "#define COMPONENT main\n#include \"\\z\\tst\\addons\\main\\script_mod.hpp\"\n"},
          {"mod/addons/main/script_mod.hpp", "#include \"\\x\\lib\\macros.hpp\"\n"},
          {"mod/include/x/lib/macros.hpp", macros + "#define FUNC(x) DOUBLES(ADDON,fnc_##x)\n"}},
         "CfgPatches{tst_main{name=S\"main\" units[]={S\"tst_main_unit\"} pos[]={I1,I2} "
         "icon=S\"\\z\\tst\\addons\\main\\ui\\i.paa\" init=S\"call tst_main_fnc_x\"}}"},
    });
}
} // namespace

namespace
{
// name[] += {...} in each layout: the entry's bytes, and the text the decoder
// gives back; the inline layout has no form for it.
TEST(ArrayAppend, WrittenAsItsOwnEntryAndDecodedBack)
{
    const testsupport::Bytes entry = {0x05, 0x01, 0x00, 0x00, 0x00, 'v',  'a',  'l',  'u',
                                      'e',  's',  0x00, 0x01, 0x02, 0x01, 0x00, 0x00, 0x00};
    struct Case
    {
        const char* what;
        int32_t layout;
        int output; // Output's result
    };
    const Case cases[] = {{"arma", 1, 0}, {"xbox", 2, 0}, {"inline", 0, 2}};
    testsupport::CheckRows(cases, [&](const Case& c) {
        Rapify compiler;
        compiler.SetDialect(RapifyDialect::Current);
        compiler.SetLayout(c.layout);
        ASSERT_EQ(compiler.ProcessBuffer("class C { values[] += {1}; };\n", "config.cpp", nullptr, nullptr), 0);
        EXPECT_EQ(rapifytest::RenderList(compiler.GetFirstEntry()->child), "C{values[]+={I1}}");
        const outtest::Written w = outtest::WriteTree(compiler, false);
        EXPECT_EQ(w.output, c.output);
        if (c.output != 0)
            return;
        EXPECT_NE(std::search(w.bytes.begin(), w.bytes.end(), entry.begin(), entry.end()), w.bytes.end());
        DeRap decoder;
        ASSERT_TRUE(decoder.SetAsRapData(w.bytes.data(), static_cast<unsigned>(w.bytes.size()), "config.bin"));
        const char* text = nullptr;
        EXPECT_EQ(decoder.ConvertRapData(&text), RapNoError);
        ASSERT_NE(text, nullptr);
        EXPECT_NE(std::string(text).find("values[] += {1};"), std::string::npos) << text;
        decoder.Close(true);
    });
    // The old dialect keeps refusing it.
    Rapify classic;
    EXPECT_EQ(classic.ProcessBuffer("class C { values[] += {1}; };\n", "config.cpp", nullptr, nullptr),
              RapifyExpectedAssign);
}
} // namespace

namespace
{
// Where each finding is placed: the file that holds it, its own line and
// column, the notes that led there, and whether it only warns.
TEST_F(CurrentDialect, FindingsNameTheirPlace)
{
    struct Finding
    {
        const char* what;
        Files files;
        const char* file; // last component of the finding's file
        int line;
        int column;
        bool warning;
        std::vector<std::string> notes; // "included from" notes without their folder
        const char* source = nullptr;   // the source line shown, where given
    };
    const std::vector<Finding> table = {
        {"error in an included file",
         {{"config.cpp", "a=1;\n#include \"inc.hpp\"\n"}, {"inc.hpp", "\n#define F(x) x\nb=F(1,2);\n"}},
         "inc.hpp",
         3,
         3,
         false,
         {"included from config.cpp:2"}},
        {"error inside a macro",
         {{"config.cpp", "#define Q(x) #x\n#define T(y) Q(y,y)\n  v = T(1);\n"}},
         "config.cpp",
         3,
         7,
         false,
         {"in expansion of macro 'T'"}},
        {"redefinition warns", {{"config.cpp", "#define A 1\n#define A 2\n"}}, "config.cpp", 2, 9, true, {}},
        {"unknown undef warns", {{"config.cpp", "\n#undef A\n"}}, "config.cpp", 2, 1, true, {}},
        {"unknown pragma warns", {{"config.cpp", "#pragma tool flag\n"}}, "config.cpp", 1, 1, true, {}},
        {"parser error in an included file",
         {{"config.cpp", "a=1;\n#include \"inc.hpp\"\n"}, {"inc.hpp", "// c\nb=2;\n  class C : {};\n"}},
         "inc.hpp",
         3,
         13,
         false,
         {},
         "  class C : {};"},
        {"parser error after a macro on its line",
         {{"config.cpp", "#define GVAR(x) tst_main_##x\n\n\tclass GVAR(item) : {};\n"}},
         "config.cpp",
         3,
         21,
         false,
         {},
         "\tclass GVAR(item) : {};"},
        {"parser error inside a macro's text",
         {{"config.cpp", "#define BAD class : {};\nx=1;\n   BAD\n"}},
         "config.cpp",
         3,
         4,
         false,
         {},
         "   BAD"},
        {"parser error past a block comment",
         {{"config.cpp", "/* a\n b */ x = 1; class C : {};\n"}},
         "config.cpp",
         2,
         19,
         false,
         {},
         " x = 1; class C : {};"},
#if !defined(_WIN32)
        // Windows opens the name whatever its letter case: nothing to warn of.
        {"include by another case warns",
         {{"config.cpp", "#include \"INC.hpp\"\n"}, {"inc.hpp", "x=1;\n"}},
         "config.cpp",
         1,
         10,
         true,
         {}},
#endif
    };
    testsupport::CheckRows(table, [](const Finding& row) {
        TempDir dir;
        for (const auto& file : row.files)
            dir.Put(file.first, file.second);
        Rapify compiler;
        compiler.SetDialect(RapifyDialect::Current);
        const int code = compiler.ProcessFile(dir.Path(row.files[0].first).c_str(), nullptr);
        EXPECT_EQ(code == 0, row.warning);
        ASSERT_FALSE(compiler.GetDiagnostics().empty());
        const RapifyDiagnostic& d = compiler.GetDiagnostics().back();
        EXPECT_EQ(text::AfterLastSeparator(d.file.c_str()), std::string(row.file));
        EXPECT_EQ(d.line, row.line);
        EXPECT_EQ(d.column, row.column);
        EXPECT_EQ(d.warning, row.warning);
        std::vector<std::string> notes;
        for (const std::string& note : d.notes)
        {
            const size_t from = note.find("included from ");
            notes.push_back(from == 0 ? "included from " + std::string(text::AfterLastSeparator(note.c_str())) : note);
        }
        EXPECT_EQ(notes, row.notes);
        if (row.source)
        {
            EXPECT_EQ(d.source, row.source);
        }
    });
}
} // namespace

namespace
{
// With an archive open, #include reads its entries: relative names beside
// the including entry, game paths by their tail, never the disk.
TEST(CurrentDialectArchive, IncludesReadTheArchive)
{
    using testsupport::StoredEntry;
    testsupport::TempDir dir;
    dir.Put("a.pbo",
            testsupport::MakeArchive({StoredEntry("inc.h", "x = 1;"),
                                      StoredEntry("SUB\\deep.h", "#include \"..\\inc.h\"\n#define D 2\nd = D;"),
                                      StoredEntry("empty.h", "")}));
    dir.Put("disk.h", std::string("disk = 1;"));
    dir.Put("config.cpp", std::string());
    RazDLL dll;
    ASSERT_EQ(0, dll.ostrel.OpenPbo(dir.Path("a.pbo").c_str(), nullptr));
    dll.rapify.SetDialect(RapifyDialect::Current);
    const struct
    {
        const char* text;
        int code;
        const char* tree;
        const char* error;
    } rows[] = {
        {"#include \"INC.H\"\ny = 2;", 0, "x=I1 y=I2", nullptr},
        {"#include \"sub\\deep.h\"\ne = D;", 0, "x=I1 d=I2 e=I2", nullptr},
        {"#include \"\\z\\mod\\addons\\main\\sub\\deep.h\"", 0, "x=I1 d=I2", nullptr},
        {"#include \"empty.h\"", RapifyCannotInclude, "-", "the archive holds no such entry"},
        {"#include \"disk.h\"", RapifyCannotInclude, "-", "the archive holds no such entry"},
        {"#include \"..\\inc.h\"", RapifyCannotInclude, "-", "climbs out"},
    };
    const std::string top = dir.Path("config.cpp");
    for (const auto& row : rows)
    {
        rapifytest::Result r = rapifytest::Compile(dll.rapify, row.text, top.c_str(), &dll);
        EXPECT_EQ(row.code, r.code) << row.text;
        EXPECT_EQ(row.tree, r.tree) << row.text;
        if (row.error)
        {
            ASSERT_FALSE(dll.rapify.GetDiagnostics().empty()) << row.text;
            EXPECT_NE(dll.rapify.GetDiagnostics().back().message.find(row.error), std::string::npos)
                << dll.rapify.GetDiagnostics().back().message;
        }
    }
    // Without the aggregate the same object reads the disk again.
    EXPECT_EQ("disk=I1", rapifytest::Compile(dll.rapify, "#include \"disk.h\"", top.c_str()).tree);
}
} // namespace
