// The patch program on damaged or unusable input: the reader's message and
// the right exit status, never a crash, and never an input overwritten.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif
#include <vector>

#include "PatcherRun.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/Rows.h"
#include "support/TempDir.h"

using patchertest::Outcome;
using patchertest::RunPatcher;
using patchertest::VersionLine;
using testsupport::Bytes;
using testsupport::MakeArchive;
using testsupport::PboBytes;
using testsupport::StoredEntry;

namespace
{
using PatcherBadInputTest = testsupport::FolderTest;

const uint32_t Product = 0x56657273;

Bytes Good()
{
    return MakeArchive({StoredEntry("a.txt", "abc")});
}

Bytes Cut(Bytes bytes, size_t n)
{
    bytes.resize(n);
    return bytes;
}
} // namespace

// A damaged input ends the run with the reader's message on standard error
// and its negative code as the status (the shell sees it modulo 256).
TEST_F(PatcherBadInputTest, UnreadableArchiveEndsWithTheReaderCode)
{
    struct Case
    {
        std::string what;
        Bytes bytes; // empty: the file is not there at all
        bool create;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"missing", {}, false, -3, "Ostrel No File opened"},
        {"empty", {}, true, -3, "Ostrel No File opened"},
        {"cut in a name", Cut(Good(), 3), true, -2, "Ostrel File Truncated"},
        {"cut in the words", Cut(Good(), 10), true, -2, "Ostrel File Truncated"},
        {"no terminator", Cut(Good(), 26), true, -2, "Ostrel File Truncated"},
        {"name without end", Bytes(300, 'n'), true, -2, "Ostrel File Truncated"},
        {"unknown empty-name entry", PboBytes().Entry("", 1, 0, 0, 0, 0).Get(), true, -9, "Ostrel unknown header type"},
        {"stored entry with size mismatch", PboBytes().Entry("a", 0, 20, 0, 0, 10).Terminator().Get(), true, -9,
         "Ostrel unknown header type"},
        {"reserved word", PboBytes().Entry("a", 0, 0, 1, 0, 0).Terminator().Get(), true, -11,
         "Ostrel Entry's reserved field non-zero"},
        {"two product entries", PboBytes().Product("x", "y").Product("x", "y").Terminator().Get(), true, -8,
         "Ostrel multiple product entries"},
        {"prefix archive with 3 surplus bytes", MakeArchive({StoredEntry("a", "a")}, "prefix", "p", Bytes(3, 1)), true,
         -2, "Ostrel File Truncated"},
        {"prefix archive shorter than its data",
         PboBytes().Product("prefix", "p").Entry("a", 0, 0, 0, 0, 0xFFFFFFFF).Terminator().Get(), true, -2,
         "Ostrel File Truncated"},
        {"product strings cut", Cut(PboBytes().Entry("", Product, 0, 0, 0, 0).Str("prefix").Get(), 24), true, -2,
         "Ostrel File Truncated"},
    };
    for (bool damagedPatch : {true, false})
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.what + (damagedPatch ? " patch" : " target"));
            std::error_code ignored;
            std::filesystem::remove(Path("bad.pbo"), ignored);
            if (c.create)
                Put("bad.pbo", c.bytes);
            const std::string good = Put("good.pbo", Good());
            const std::string bad = Path("bad.pbo");
            Outcome run = damagedPatch ? RunPatcher({bad, good}) : RunPatcher({good, bad});
            EXPECT_EQ(run.status, c.code & 0xFF);
            EXPECT_EQ(run.err, VersionLine() + c.message + "\n");
            EXPECT_EQ(run.out, "");
            EXPECT_FALSE(Exists("good.patched.pbo"));
            EXPECT_FALSE(Exists("bad.patched.pbo"));
        }
    }
}

// The header of a CWC or Resistance archive is read without checking the
// data sizes; an entry whose bytes are not all there is found when it is
// copied: the failed load keeps what was read, so the write of its negative
// length fails and the run ends as for an unwritable output.
TEST_F(PatcherBadInputTest, EntryDataBeyondTheFileFailsTheWrite)
{
    const Bytes shortData[] = {
        PboBytes().Entry("big.txt", 0, 0, 0, 0, 100).Terminator().Raw("abc").Get(),
        PboBytes().Product("Tovrin", "OFP: Resistance").Entry("huge", 0, 0, 0, 0, 0xFFFFFFFF).Terminator().Get(),
        PboBytes().Entry("c", 0x43707273, 0x7FFFFFFF, 0, 0, 0x80000000).Terminator().Raw("x").Get(),
    };
    for (const Bytes& target : shortData)
    {
        Outcome run = RunPatcher({Put("p.pbo", Good()), Put("t.pbo", target)});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, VersionLine() + "Cannot create or write to output pbo " + Path("t.patched.pbo") + "\n");
        EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "Adding a.txt\n");
        // The partial output stays on disk and is closed.
        EXPECT_TRUE(Exists("t.patched.pbo"));
    }
}

TEST_F(PatcherBadInputTest, OutputThatIsAnInputIsRefused)
{
    const Bytes patchBytes = MakeArchive({StoredEntry("new.txt", "new")});
    const Bytes targetBytes = MakeArchive({StoredEntry("old.txt", "old")});
    struct Case
    {
        std::string what;
        std::vector<std::string> arguments;
        std::string output;
    };
    std::filesystem::create_directory(Path("sub"));
    const Case cases[] = {
        {"patch named like the output", {Path("x.patched.pbo"), Path("x.pbo")}, Path("x.patched.pbo")},
        {"same, through backslashes", {Path() + "\\sub\\..\\x.patched", Path() + "\\x"}, Path() + "\\x.patched.pbo"},
        {"option: output named after the target", {"-c", Path("x.pbo"), Path("x.patched.pbo")}, Path("x.patched.pbo")},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        Put("x.patched.pbo", patchBytes);
        Put("x.pbo", targetBytes);
        Outcome run = RunPatcher(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, VersionLine() + "Cannot create or write to output pbo " + c.output + "\n");
        EXPECT_EQ(run.out, "Creating CWC type patch\n");
        EXPECT_EQ(Read("x.patched.pbo"), patchBytes);
        EXPECT_EQ(Read("x.pbo"), targetBytes);
    });

    // A link to an input is the same file too.
    Put("p.pbo", patchBytes);
    Put("y.pbo", targetBytes);
    std::filesystem::create_hard_link(Path("p.pbo"), Path("y.patched.pbo"));
    Outcome run = RunPatcher({Path("p.pbo"), Path("y.pbo")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Read("p.pbo"), patchBytes);
}

TEST_F(PatcherBadInputTest, OutputThatCannotBeWrittenEndsWithOne)
{
    const std::string patch = Put("p.pbo", Good());
    const std::string target = Put("t.pbo", MakeArchive({StoredEntry("b", "b")}));
    // A folder where the output should go.
    std::filesystem::create_directory(Path("t.patched.pbo"));
    Outcome run = RunPatcher({patch, target});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, VersionLine() + "Cannot create or write to output pbo " + Path("t.patched.pbo") + "\n");
    EXPECT_EQ(run.out, "Creating CWC type patch\n");
    std::filesystem::remove(Path("t.patched.pbo"));

    OSTREL_POSIX_ONLY("the file size cannot be capped (setrlimit), devices are reached through links");
#if !defined(_WIN32)
    // A disk that takes no more (a file size limit, which the program
    // inherits, stands in for it): the 1 KB archive is still buffered when the
    // last write returns, so only closing the output finds out. No success line.
    const std::string big = Put("big.pbo", MakeArchive({StoredEntry("b", std::string(1000, 'b'))}));
    rlimit old;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit low = old;
    low.rlim_cur = 500;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &low));
    run = RunPatcher({patch, big});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, VersionLine() + "Cannot create or write to output pbo " + Path("big.patched.pbo") + "\n");
    EXPECT_EQ(run.out, "Creating CWC type patch\nAdding a.txt\n");
    EXPECT_FALSE(std::filesystem::exists(Path("big.patched.pbo"))) << "no partial archive is left";

    // A link at the output name is replaced, never written through.
    std::filesystem::create_symlink("/dev/null", Path("t.patched.pbo"));
    run = RunPatcher({patch, target});
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(std::filesystem::is_symlink(Path("t.patched.pbo")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
#endif
}
