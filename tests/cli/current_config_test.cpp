// ostrel rapify, preprocess and check on a mod laid out as mods are today:
// mounts found above the file or given with -I, diagnostics with their
// column, caret and notes, JSON, and the old dialect behind --classic.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CliRun.h"
#include "support/FolderTest.h"
#include "support/Rows.h"

using clitest::Ostrel;
using clitest::ProgramOutcome;

namespace
{
class CurrentConfig : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
        Put("mod/addons/main/$PBOPREFIX$", "z\\tst\\addons\\main\n");
        Put("mod/addons/main/script_component.hpp", "#define COMPONENT main\n"
                                                    "#include \"\\x\\lib\\addons\\main\\macros.hpp\"\n");
        Put("mod/include/x/lib/addons/main/macros.hpp", "#define QUOTE(x) #x\n#define DOUBLES(a,b) a##_##b\n"
                                                        "#define GVAR(x) DOUBLES(tst_main,x)\n"
                                                        "#define TWO(x) x(1,2)\n");
        Put("mod/addons/main/config.cpp", "#include \"script_component.hpp\"\n#ifdef COMPONENT\n"
                                          "class GVAR(x) { v = QUOTE(GVAR(y)); };\n#endif\n");
        Put("mod/addons/main/bad.cpp", "#include \"script_component.hpp\"\nclass A {\n\tb = TWO(QUOTE);\n};\n");
        Put("lib/$PBOPREFIX$", "x\\lib\\addons\\main\n");
        Put("lib/macros.hpp", "#define QUOTE(x) #x\n#define GVAR(x) lib_##x\n");
        Put("other/config.cpp", "#include \"\\x\\lib\\addons\\main\\macros.hpp\"\nclass GVAR(x) {};\n");
    }
};

TEST_F(CurrentConfig, CompilesPreprocessesAndReports)
{
    struct Row
    {
        const char* what;
        std::vector<std::string> args; // paths are inside the test folder
        int status;
        const char* out; // part of standard output (decoded for rapify -o -)
        const char* err; // part of standard error
    };
    const std::vector<Row> rows = {
        {"mod found above the file",
         {"preprocess", "@mod/addons/main/config.cpp"},
         0,
         "class tst_main_x { v = \"tst_main_y\"; };",
         ""},
        {"-I mounts a prefixed folder", {"preprocess", "@other/config.cpp", "-I", "@lib"}, 0, "class lib_x {};", ""},
        {"without mounts the game path fails",
         {"preprocess", "@other/config.cpp"},
         1,
         "",
         "config.cpp:1:10: error: cannot include '\\x\\lib\\addons\\main\\macros.hpp': no mounted folder holds it"},
        {"error with caret and notes",
         {"rapify", "@mod/addons/main/bad.cpp"},
         1,
         "",
         "bad.cpp:3:6: error: macro 'QUOTE' takes 1 arguments, 2 given\n    \tb = TWO(QUOTE);\n    \t    ^\n"
         "note: in expansion of macro 'TWO'\n"},
        {"classic knows no game paths",
         {"rapify", "--classic", "@mod/addons/main/config.cpp"},
         1,
         "",
         "script_component.hpp:2: error: Cannot include (or error in) file\n"},
        {"check passes the mod config", {"check", "@mod/addons/main/config.cpp"}, 0, "", "1 checked, 0 failed"},
    };
    testsupport::CheckRows(rows, [this](const Row& row) {
        std::vector<std::string> args;
        for (const std::string& arg : row.args)
            args.push_back(arg[0] == '@' ? Path(arg.substr(1)) : arg);
        const ProgramOutcome run = Ostrel(args);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    });
}

// The binarised result decodes to the names the macros built, and --json
// gives each finding with its place and notes.
TEST_F(CurrentConfig, BinaryAndJson)
{
    ASSERT_EQ(Ostrel({"rapify", Path("mod/addons/main/config.cpp"), "-o", Path("config.bin")}).status, 0);
    const ProgramOutcome decoded = Ostrel({"derap", Path("config.bin"), "-o", "-"});
    EXPECT_NE(decoded.out.find("class tst_main_x"), std::string::npos) << decoded.out;
    EXPECT_NE(decoded.out.find("v = \"tst_main_y\";"), std::string::npos) << decoded.out;

    const ProgramOutcome json = Ostrel({"rapify", "--json", Path("mod/addons/main/bad.cpp")});
    EXPECT_EQ(json.status, 1);
    const nlohmann::json findings = nlohmann::json::parse(json.out);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0]["line"], 3);
    EXPECT_EQ(findings[0]["column"], 6);
    EXPECT_EQ(findings[0]["severity"], "error");
    EXPECT_EQ(findings[0]["notes"], nlohmann::json::array({"in expansion of macro 'TWO'"}));
}

// An addon as mods lay it out: a macro library under include/ mounted by its
// game path with -I, a CfgPatches and a class built from it, compiled to the
// Arma layout and decoded back.
TEST_F(CurrentConfig, AddonOverAMacroLibrary)
{
    Put("mymod/include/x/mymod/addons/main/script_macros.hpp",
        "#define MAINPREFIX x\n#define PREFIX mymod\n#define SUBPREFIX addons\n"
        "#define DOUBLES(var1,var2) var1##_##var2\n#define TRIPLES(var1,var2,var3) var1##_##var2##_##var3\n"
        "#define QUOTE(var1) #var1\n#define ADDON DOUBLES(PREFIX,COMPONENT)\n"
        "#define GVAR(var1) DOUBLES(ADDON,var1)\n#define EGVAR(var1,var2) TRIPLES(PREFIX,var1,var2)\n"
        "#define QGVAR(var1) QUOTE(GVAR(var1))\n#define QEGVAR(var1,var2) QUOTE(EGVAR(var1,var2))\n"
        "#define QQGVAR(var1) QUOTE(QGVAR(var1))\n"
        "#define PATHTO_SYS(var1,var2,var3) \\MAINPREFIX\\var1\\SUBPREFIX\\var2\\var3\n"
        "#define PATHTOF(var1) PATHTO_SYS(PREFIX,COMPONENT,var1)\n#define QPATHTOF(var1) QUOTE(PATHTOF(var1))\n"
        "#define FUNC(var1) TRIPLES(ADDON,fnc,var1)\n#define CSTRING(var1) QUOTE(TRIPLES($STR,ADDON,var1))\n"
        "#define ARR_2(a,b) a,b\n#define ARR_3(a,b,c) a,b,c\n#define VERSION 1.2\n#define VERSION_AR 1,2,0\n");
    Put("mymod/addons/main/script_component.hpp", "#define COMPONENT main\n"
                                                  "#include \"\\x\\mymod\\addons\\main\\script_macros.hpp\"\n");
    Put("mymod/addons/main/config.cpp",
        "#include \"script_component.hpp\"\n\nclass CfgPatches {\n    class ADDON {\n"
        "        name = CSTRING(component);\n        units[] = {QGVAR(box)};\n"
        "        requiredVersion = VERSION;\n        requiredAddons[] = {QEGVAR(common,main)};\n"
        "        version[] = {VERSION_AR};\n        author = QUOTE(PREFIX - COMPONENT);\n"
        "    };\n};\nclass CfgVehicles {\n    class EGVAR(common,base);\n"
        "    class GVAR(box): EGVAR(common,base) {\n        icon = QPATHTOF(ui\\icon.paa);\n"
        "        init = QUOTE([ARR_3(1,2,3)] call FUNC(init));\n        statement = QUOTE(call QQGVAR(x));\n"
        "        position[] = {ARR_2(0.5,-1)};\n        text = \"first\"\n            \"second\";\n"
        "#ifdef DEBUG_MODE_FULL\n        debug = 1;\n#endif\n    };\n};\n");
    const ProgramOutcome run =
        Ostrel({"rapify", Path("mymod/addons/main/config.cpp"), "-I", Path("mymod/include"), "-o", Path("addon.bin")});
    ASSERT_EQ(run.status, 0) << run.err;
    const ProgramOutcome decoded = Ostrel({"derap", Path("addon.bin"), "-o", "-"});
    ASSERT_EQ(decoded.status, 0) << decoded.err;
    const char* const expected[] = {
        "class mymod_main",
        "name = \"$STR_mymod_main_component\";",
        "units[] = {\"mymod_main_box\"};",
        "requiredVersion = 1.2;",
        "requiredAddons[] = {\"mymod_common_main\"};",
        "version[] = {1,2,0};",
        "author = \"mymod - main\";",
        "class mymod_common_base;",
        "class mymod_main_box: mymod_common_base",
        "icon = \"\\x\\mymod\\addons\\main\\ui\\icon.paa\";",
        "init = \"[1,2,3] call mymod_main_fnc_init\";",
        "statement = \"call \"\"mymod_main_x\"\"\";",
        "position[] = {0.5,-1};",
        "text = \"first\nsecond\";",
    };
    for (const char* line : expected)
        EXPECT_NE(decoded.out.find(line), std::string::npos) << line << "\n" << decoded.out;
    EXPECT_EQ(decoded.out.find("debug"), std::string::npos) << decoded.out;
}
} // namespace
