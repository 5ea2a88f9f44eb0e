// ostrel pack and ostrel rapify run as built, against the library's own
// folder builder and compiler: same bytes, failures that leave an existing
// output untouched, compiler-style diagnostics, progress and interrupts.

#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "RazDLL.h"
#include "support/PboBytes.h"

using clitest::Ostrel;
using clitest::ProgramOutcome;
using namespace testsupport;

namespace
{
const char* const Config = "class CfgPatches\n{\n  class X { units[] = {}; };\n};\nversion = 3;\n";

class BuildTest : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(Path("mod/sub"));
        Put("mod/a.txt", "alpha");
        Put("mod/sub/b.txt", "beta");
        Put("mod/config.cpp", Config);
    }
    // What the library's own builder writes for the folder.
    Bytes LibraryBuild(const std::string& folder, int flags, const char* prefix)
    {
        std::unique_ptr<RazDLL> library(new RazDLL);
        EXPECT_EQ(library->ostrel.MakePbo(Path(folder).c_str(), static_cast<PboFlags>(flags), prefix, nullptr, nullptr),
                  0);
        const Bytes bytes = Read(folder + ".pbo");
        std::filesystem::remove(Path(folder + ".pbo"));
        return bytes;
    }
    Bytes LibraryCompile(const std::string& source)
    {
        std::unique_ptr<Rapify> compiler(new Rapify);
        EXPECT_EQ(compiler->ProcessFile(Path(source).c_str(), nullptr), 0);
        EXPECT_EQ(compiler->Output(Path("library.bin").c_str(), false), 0);
        const Bytes bytes = Read("library.bin");
        std::filesystem::remove(Path("library.bin"));
        return bytes;
    }
};
} // namespace

TEST_F(BuildTest, PackWritesWhatTheFolderBuilderWrites)
{
    struct Row
    {
        std::vector<std::string> options;
        int flags;
        const char* prefix;
    };
    const std::vector<Row> rows = {
        {{}, Cwc, nullptr},
        {{"--flavour", "resistance"}, Resistance, nullptr},
        {{"--flavour", "ARMA", "--prefix", "my\\mod"}, Arma, "my\\mod"},
        {{"--flavour", "arma-nokey"}, ArmaNoSha, nullptr},
        {{"--flavour", "elite", "--check"}, Elite | 1, nullptr},
    };
    for (const Row& row : rows)
    {
        std::vector<std::string> arguments = {"pack", Path("mod")};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        const ProgramOutcome run = Ostrel(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Packed 3 entries of " + Path("mod") + " into " + Path("mod.pbo") + "\n");
        const Bytes packed = Read("mod.pbo");
        std::filesystem::remove(Path("mod.pbo"));
        EXPECT_EQ(packed, LibraryBuild("mod", row.flags, row.prefix)) << row.flags;
    }
    ExpectNoLeftovers();
}

TEST_F(BuildTest, PackBinarisesAndNamesTheOutput)
{
    const ProgramOutcome run = Ostrel({"pack", "-q", "--binarise", "--check", Path("mod/"), "-o", Path("out/x.pbo")});
    EXPECT_EQ(run.status, 1); // no folder "out"
    std::filesystem::create_directory(Path("out"));
    const ProgramOutcome built = Ostrel({"pack", "-q", "--binarise", "--check", Path("mod/"), "-o", Path("out/x.pbo")});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.err, "");
    const ProgramOutcome list = Ostrel({"list", "--json", Path("out/x.pbo")});
    EXPECT_EQ(list.out.find("config.cpp"), std::string::npos);
    const ProgramOutcome text = Ostrel({"cat", "--text", Path("out/x.pbo"), "config.bin"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("version = 3;"), std::string::npos) << text.out;

    // Keeping the text packs both forms.
    const ProgramOutcome both = Ostrel({"pack", "-q", "--keep-text", Path("mod"), "-o", Path("both.pbo")});
    ASSERT_EQ(both.status, 0) << both.err;
    const ProgramOutcome source = Ostrel({"cat", Path("both.pbo"), "config.cpp.txt"});
    EXPECT_EQ(source.out, Config);
    EXPECT_EQ(Ostrel({"cat", Path("both.pbo"), "config.bin"}).status, 0);
}

TEST_F(BuildTest, PackKeepsToTheFolderAndWritesOnlyItsArchive)
{
    namespace fs = std::filesystem;
    Put("private.txt", "private");
    Put("victim.txt", "victim");
    fs::create_symlink(Path("private.txt"), Path("mod/readme.txt"));
    fs::create_symlink("a.txt", Path("mod/inner.txt"));
    fs::create_symlink(Path("victim.txt"), Path("mod/config.bin"));
    // Twice: the first archive, inside the folder, is no entry of the second.
    for (int run = 0; run < 2; ++run)
    {
        const ProgramOutcome packed = Ostrel({"pack", "-q", "--binarise", Path("mod"), "-o", Path("mod/out.pbo")});
        EXPECT_EQ(packed.status, 0) << packed.err;
        EXPECT_EQ(packed.err, "ostrel: warning: skipping readme.txt: the link leads outside the folder\n");
    }
    const std::string listed = Ostrel({"list", Path("mod/out.pbo")}).out;
    EXPECT_EQ(listed.find("readme.txt"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("out.pbo", listed.find('\n')), std::string::npos) << listed;
    EXPECT_NE(listed.find("inner.txt"), std::string::npos) << listed;
    EXPECT_EQ(Text("victim.txt"), "victim");

    // A backslash inside a file name cannot be stored: the file is named as
    // the user knows it, and nothing is written.
    Put("mod/a\\b.txt", "one");
    const ProgramOutcome refused = Ostrel({"pack", "-q", Path("mod"), "-o", Path("refused.pbo")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("cannot pack " + Path("mod") + "/a\\b.txt: a backslash"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("an archive cannot store a backslash inside a file name"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(Exists("refused.pbo"));
}

TEST_F(BuildTest, AFailedPackLeavesTheExistingArchiveAndNamesTheConfigLine)
{
    Put("old.pbo", "old archive");
    Put("mod/sub/config.cpp", "class A\n{\n  x = \"open;\n};\n");
    const ProgramOutcome run = Ostrel({"pack", "--check", Path("mod"), "-o", Path("old.pbo")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Path("mod") +
                           "/sub/config.cpp:3:7: error: Expected value after = (Mismatched quotes)\n"
                           "      x = \"open;\n          ^\nostrel: " +
                           Path("mod") + ": Lint error\n");
    EXPECT_EQ(Text("old.pbo"), "old archive");

    const std::vector<std::pair<std::vector<std::string>, int>> rows = {
        {{"pack", Path("none")}, 1},
        {{"pack", Path("mod"), "--flavour", "amiga"}, 2},
        {{"pack"}, 2},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Ostrel(row.first).status, row.second) << row.first.back();
    EXPECT_FALSE(Exists("none.pbo"));
}

TEST_F(BuildTest, PackShowsProgressOnATerminalAndStopsOnInterrupt)
{
    const ProgramOutcome terminal = Ostrel({"pack", Path("mod")}, clitest::ProgressAtOnce(true));
    EXPECT_EQ(terminal.status, 0) << terminal.out;
    EXPECT_NE(terminal.out.find("\rpack [........................] 0/3 entries, 0 B of 73 B"), std::string::npos)
        << terminal.out;

    std::filesystem::create_directory(Path("many"));
    for (int i = 0; i < 3000; ++i)
        Put("many/" + std::string(60, 'n') + std::to_string(i), "x");
    const ProgramOutcome stopped = RunAndInterrupt(OSTREL_PATH, {"pack", "-v", Path("many")});
    EXPECT_EQ(stopped.status, 130);
    EXPECT_FALSE(Exists("many.pbo"));
    ExpectNoLeftovers();
}

TEST_F(BuildTest, RapifyCompilesInEveryLayoutWithTheLibrarysBytes)
{
    const ProgramOutcome run = Ostrel({"rapify", "--classic", Path("mod/config.cpp")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Read("mod/config.bin"), LibraryCompile("mod/config.cpp"));
    const ProgramOutcome decoded = Ostrel({"derap", Path("mod/config.bin")});
    EXPECT_NE(decoded.out.find("version = 3;"), std::string::npos) << decoded.out;

    struct Row
    {
        const char* layout;
        std::string head;
    };
    const std::vector<Row> rows = {
        {"inline", std::string("\0raP\x04\0\0", 7)},
        {"arma", std::string("\0raP\0\0\0\0\x08\0\0\0", 12)},
        {"xbox", std::string("\0raP", 4)},
    };
    for (const Row& row : rows)
    {
        const ProgramOutcome out =
            Ostrel({"rapify", "--classic", Path("mod/config.cpp"), "--layout", row.layout, "-o", "-"});
        EXPECT_EQ(out.status, 0) << out.err;
        EXPECT_EQ(out.out.compare(0, row.head.size(), row.head), 0) << row.layout;
    }
    const ProgramOutcome xbox = Ostrel({"rapify", "--classic", Path("mod/config.cpp"), "--layout", "xbox", "-o", "-"});
    ASSERT_GE(xbox.out.size(), 32u);
    EXPECT_EQ(xbox.out.substr(24, 8), std::string("\0\0\0\0\x08\0\0\0", 8));
    // The xbox file keeps its signed bytes through the decoder.
    Put("x.bin", ToBytes(xbox.out));
    EXPECT_EQ(Ostrel({"derap", Path("x.bin")}).out.compare(0, 15, "#define _XBOX_ "), 0);
}

TEST_F(BuildTest, RapifyDiagnosticsAndRefusals)
{
    Put("bad.cpp", "class A\n{\n  x[] = {1,2;\n};\n");
    Put("arma.cpp", "#pragma _arma_\nx = 1;\n");
    std::string ten;
    for (int i = 0; i < 10; ++i)
        ten += "a" + std::to_string(i) + " = 1;\n";
    Put("ten.h", ten);
    Put("top.cpp", "#include \"ten.h\"\nb = 2;\nclass {");
    Put("bad.h", "ok = 1;\r\nclass {\r\n");
    Put("inc.cpp", "x = 1;\n#include \"bad.h\"\n");
    Put("deep.cpp", "y = 1;\n#define A A\nx = A;\n");
    Put("fwd.cpp", "class A;\nclass B {};\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        // The file that holds the error, and its own line.
        {{"rapify", "--classic", Path("top.cpp")}, Path("top.cpp") + ":3: error: Expected class name\n"},
        {{"rapify", "--classic", Path("inc.cpp")}, Path("bad.h") + ":2: error: Expected class name\n"},
        // The limit that stopped the compile, or what the layout cannot hold.
        {{"rapify", "--classic", Path("deep.cpp")},
         Path("deep.cpp") + ":3: error: Expected value after = (limit reached: macros "
                            "expanded inside one another more than 256 levels deep)\n"},
        {{"rapify", "--classic", Path("fwd.cpp"), "-o", "-"},
         "standard output: error: " + std::string(Rapify::ErrString(2)) +
             " (class A; has no form in the inline layout; --layout arma writes it)\n"},
        {{"rapify", "--classic", Path("bad.cpp")}, Path("bad.cpp") + ":3: error: Expected value , or {} in array\n"},
        {{"rapify", "--classic", Path("none.cpp")}, Path("none.cpp") + ": error: cannot open file\n"},
        {{"rapify", "--classic", Path("arma.cpp"), "--layout", "inline"},
         Path("arma.cpp") + ": error: the source selects the arma layout with #pragma\n"},
    };
    for (const auto& row : rows)
    {
        const ProgramOutcome run = Ostrel(row.first);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, row.second);
    }
    EXPECT_FALSE(Exists("bad.bin"));
    EXPECT_FALSE(Exists("arma.bin"));
    EXPECT_EQ(Ostrel({"rapify", "--classic", Path("arma.cpp"), "--layout", "pdf"}).status, 2);

    // The layout asked for holds even when the source ends inside a comment.
    Put("open.cpp", "a = 1;\n/* open");
    EXPECT_EQ(Ostrel({"rapify", "--classic", Path("open.cpp"), "--layout", "arma"}).status, 0);
    EXPECT_EQ(Read("open.bin")[4], 0); // inline files have 4 there
    EXPECT_EQ(Ostrel({"rapify", "--classic", Path("fwd.cpp"), "--layout", "arma"}).status, 0);
}
