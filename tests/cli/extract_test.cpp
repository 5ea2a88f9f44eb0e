// The tool's writing commands run as built: extraction into folders (and the
// folders it must not destroy), --derap, patch against the patch program,
// the progress bar on a terminal and in a pipe, and Ctrl-C in mid-run.

#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/RapBytes.h"
#include "support/Rows.h"

using namespace testsupport;
using clitest::LibraryText;
using clitest::Ostrel;
using clitest::ProgramOutcome;

namespace
{
class ExtractTest : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
        archive = Put("mod.pbo", MakeArchive({StoredEntry("a.txt", "alpha"), StoredEntry("sub\\b.txt", "beta"),
                                              CompressedEntry("c.bin", TextLike(500, 3))},
                                             "prefix", "x\\y\\mod"));
    }
    std::string Summary(const std::string& folder, int entries = 3) const
    {
        return "Extracted " + std::to_string(entries) + " entries of " + archive + " to " + folder + "\n";
    }

    std::string archive;
};

std::string Str(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

// An archive of many entries with long names: listing them with -v writes
// more than a pipe holds.
Bytes ManyEntries(int count)
{
    std::vector<TestEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back(StoredEntry("folder\\" + std::string(60, 'n') + std::to_string(i) + ".txt", "x"));
    return MakeArchive(entries);
}
} // namespace

TEST_F(ExtractTest, EveryEntryIsWrittenToTheFolderBesideTheArchive)
{
    const ProgramOutcome run = Ostrel({"extract", archive});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Summary(Path("mod")));
    EXPECT_EQ(Text("mod/a.txt"), "alpha");
    EXPECT_EQ(Text("mod/sub/b.txt"), "beta");
    EXPECT_EQ(Text("mod/c.bin"), Str(TextLike(500, 3)));
    EXPECT_EQ(Text("mod/$PBOPREFIX$"), "x\\y\\mod");
    ExpectNoLeftovers();
}

TEST_F(ExtractTest, AnExistingFolderIsReplacedOnlyWhenEmptyOrForced)
{
    struct Row
    {
        const char* what;
        bool keepFile; // "mod/mine.txt" exists before
        bool force;
        int status;
        std::string errPart;
    };
    const std::vector<Row> rows = {
        {"not empty", true, false, 1, "folder " + Path("mod") + " exists and is not empty; use --force to replace it"},
        {"not empty, forced", true, true, 0, "Extracted"},
        {"empty", false, false, 0, "Extracted"},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        std::filesystem::remove_all(Path("mod"));
        std::filesystem::create_directory(Path("mod"));
        if (row.keepFile)
            Put("mod/mine.txt", "mine");
        std::vector<std::string> arguments = {"extract", archive};
        if (row.force)
            arguments.push_back("--force");
        const ProgramOutcome run = Ostrel(arguments);
        EXPECT_EQ(run.status, row.status);
        EXPECT_NE(run.err.find(row.errPart), std::string::npos) << row.what << ": " << run.err;
        const bool extracted = row.status == 0;
        EXPECT_EQ(Exists("mod/a.txt"), extracted);
        EXPECT_EQ(Exists("mod/mine.txt"), row.keepFile && !extracted);
        ExpectNoLeftovers();
    });
    // A file where the folder would go is never replaced.
    std::filesystem::remove_all(Path("mod"));
    Put("mod", "a file");
    const ProgramOutcome file = Ostrel({"extract", "--force", archive});
    EXPECT_EQ(file.status, 1);
    EXPECT_EQ(file.err, "ostrel: " + Path("mod") + " exists and is not a folder\n");
    EXPECT_EQ(Text("mod"), "a file");

    // Nor is the folder that holds the archive itself.
    const ProgramOutcome holder = Ostrel({"extract", "--force", archive, "-o", Path()});
    EXPECT_EQ(holder.status, 1);
    EXPECT_EQ(holder.err, "ostrel: folder " + Path() + " holds the archive itself; extract elsewhere\n");
    EXPECT_TRUE(FileExists(archive));
}

TEST_F(ExtractTest, OutputFolderAndQuietRun)
{
    const ProgramOutcome run = Ostrel({"extract", "-q", archive, "-o", Path("elsewhere")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Text("elsewhere/sub/b.txt"), "beta");
    EXPECT_FALSE(Exists("mod"));
}

TEST_F(ExtractTest, DamagedOrUnsafeArchivesLeaveNothingBehind)
{
    Bytes cut = MakeArchive({StoredEntry("a.txt", "alpha")});
    cut.resize(10);
    const std::string truncated = Put("cut.pbo", cut);
    const std::string unsafe =
        Put("evil.pbo", MakeArchive({StoredEntry("ok.txt", "1"), StoredEntry("..\\up.txt", "2")}));
    struct Row
    {
        std::string archive, folder, err;
    };
    const std::vector<Row> rows = {
        {truncated, "cut", "ostrel: " + truncated + ": Ostrel File Truncated\n"},
        {unsafe, "evil", "ostrel: " + unsafe + ": "},
        {Path("none.pbo"), "none", "ostrel: " + Path("none.pbo") + ": Ostrel No File opened\n"},
    };
    for (const Row& row : rows)
    {
        const ProgramOutcome run = Ostrel({"extract", row.archive});
        EXPECT_EQ(run.status, 1) << row.folder;
        EXPECT_EQ(run.err.compare(0, row.err.size(), row.err), 0) << run.err;
        EXPECT_FALSE(std::filesystem::exists(Path(row.folder))) << row.folder;
    }
    EXPECT_FALSE(Exists("up.txt"));
    ExpectNoLeftovers();
}

TEST_F(ExtractTest, DerapTurnsBinarisedConfigsIntoText)
{
    RapClass root;
    root.Class("CfgPatches", RapClass().Value("units", RapValue::Int(1))).Value("version", RapValue::Int(3));
    const Bytes config = ArmaBytes(root);
    const Bytes mission = InlineBytes("mission.sqm", RapClass().Value("x", RapValue::String("y z")));
    const Bytes broken = {0, 'r', 'a', 'P', 0, 0, 0, 0, 8, 0, 0, 0, 99};
    const std::string derap =
        Put("d.pbo", MakeArchive({TestEntry{"config.bin", config}, TestEntry{"m\\mission.sqm", mission},
                                  StoredEntry("readme.txt", "plain"), TestEntry{"bad.bin", broken}}));
    const ProgramOutcome run = Ostrel({"extract", "--derap", derap});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("ostrel: warning: " + Path("d") + "/bad.bin: kept binary: "), std::string::npos) << run.err;
    EXPECT_EQ(Text("d/config.cpp"), LibraryText(config, "config.bin"));
    EXPECT_FALSE(Exists("d/config.bin"));
    EXPECT_EQ(Text("d/m/mission.sqm"), LibraryText(mission, "mission.sqm"));
    EXPECT_EQ(Text("d/readme.txt"), "plain");
    EXPECT_EQ(Text("d/bad.bin"), Str(broken));

    // A config.cpp in the archive keeps config.bin binary; without --derap
    // everything is byte-exact.
    const std::string both =
        Put("both.pbo", MakeArchive({TestEntry{"config.bin", config}, StoredEntry("config.cpp", "src")}));
    const ProgramOutcome kept = Ostrel({"extract", "--derap", both});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(Text("both/config.cpp"), "src");
    EXPECT_EQ(Text("both/config.bin"), Str(config));
    const ProgramOutcome exact = Ostrel({"extract", derap, "-o", Path("exact")});
    EXPECT_EQ(exact.status, 0);
    EXPECT_EQ(Text("exact/config.bin"), Str(config));
    EXPECT_EQ(Text("exact/m/mission.sqm"), Str(mission));
}

TEST_F(ExtractTest, PatchWritesWhatThePatchProgramWrites)
{
    const std::string patch =
        Put("p.pbo",
            MakeArchive({StoredEntry("a.txt", "new"), StoredEntry("sub\\b.txt", ""), StoredEntry("n.txt", "added")}));
    const std::vector<std::vector<std::string>> forms = {{}, {"-r"}, {"-Amy\\prefix"}, {"-e"}};
    for (const std::vector<std::string>& option : forms)
    {
        std::vector<std::string> arguments = option;
        arguments.push_back(patch);
        arguments.push_back(archive);
        const std::string output = Path(option.empty() ? "mod.patched.pbo" : "p.patched.pbo");
        const ProgramOutcome reference = RunProgram(PATCHER_PATH, arguments);
        ASSERT_EQ(reference.status, 0) << reference.err;
        const Bytes expected = ReadFile(output);
        std::filesystem::remove(output);

        arguments.insert(arguments.begin(), "patch");
        const ProgramOutcome run = Ostrel(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "Success: Output written to " + output + "\n");
        EXPECT_EQ(ReadFile(output), expected) << (option.empty() ? "" : option[0]);
        std::filesystem::remove(output);
    }
    const ProgramOutcome verbose = Ostrel({"patch", "-v", patch, archive});
    EXPECT_EQ(verbose.err, "Creating ARMA no shakey type patch\nReplacing a.txt\nDeleting sub\\b.txt\nAdding n.txt\n"
                           "Success: Output written to " +
                               Path("mod.patched.pbo") + "\n");
    const ProgramOutcome missing = Ostrel({"patch", "-q", patch, Path("none.pbo")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Ostrel No File opened\n");
    EXPECT_FALSE(Exists("none.patched.pbo"));
    ExpectNoLeftovers();
}

TEST_F(ExtractTest, ProgressBarOnlyOnATerminal)
{
    const testsupport::Launch now = clitest::ProgressAtOnce(true);
    const ProgramOutcome terminal = Ostrel({"extract", archive, "-o", Path("t1")}, now);
    EXPECT_EQ(terminal.status, 0) << terminal.out;
    EXPECT_NE(terminal.out.find("\rextract [........................] 0/3 entries, 0 B of "), std::string::npos)
        << terminal.out;
    // The bar's line is cleared before the summary.
    EXPECT_NE(terminal.out.find("\r\x1b[KExtracted 3 entries"), std::string::npos) << terminal.out;

    const ProgramOutcome quiet = Ostrel({"extract", "-q", archive, "-o", Path("t2")}, now);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");

    const ProgramOutcome pipe = Ostrel({"extract", archive, "-o", Path("t3")}, clitest::ProgressAtOnce(false));
    EXPECT_EQ(pipe.status, 0);
    EXPECT_EQ(pipe.err, Summary(Path("t3")));

    const std::string patch = Put("p.pbo", MakeArchive({StoredEntry("z.txt", "z")}));
    const ProgramOutcome patching = Ostrel({"patch", patch, archive}, now);
    EXPECT_EQ(patching.status, 0) << patching.out;
    EXPECT_NE(patching.out.find("\rpatch [........................] 0/4 entries, 0 B of "), std::string::npos)
        << patching.out;
}

TEST_F(ExtractTest, InterruptLeavesNoHalfWrittenResult)
{
    const std::string many = Put("many.pbo", ManyEntries(3000));
    const ProgramOutcome extract = RunAndInterrupt(OSTREL_PATH, {"extract", "-v", many});
    EXPECT_EQ(extract.status, 130);
    EXPECT_FALSE(std::filesystem::exists(Path("many")));

    // Patched with itself, every entry is replaced and named on standard
    // error: more than a pipe holds, so the run is still going when the
    // interrupt arrives, however busy the machine.
    const ProgramOutcome patching = RunAndInterrupt(OSTREL_PATH, {"patch", "-v", many, many});
    EXPECT_EQ(patching.status, 130);
    EXPECT_FALSE(Exists("many.patched.pbo"));
    ExpectNoLeftovers();
}
