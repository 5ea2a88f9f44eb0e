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
} // namespace
