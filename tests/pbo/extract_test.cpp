// Tests of extraction: names, links, folders and failed writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "RazDLL.h"
#include "frame/Platform.h"
#include "pbo/FolderScan.h"
#include "pbo/Ostrel.h"
#include "support/Capture.h"
#include "support/Compressor.h"
#include "support/CopyPaths.h"
#include "support/FolderTest.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/Rows.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace
{
// Index of the first progress line equal to text, or -1.
long FindLine(const std::string& text)
{
    auto it = std::find(Capture::lines.begin(), Capture::lines.end(), text);
    return it == Capture::lines.end() ? -1 : static_cast<long>(it - Capture::lines.begin());
}

class Extraction : public testsupport::FolderTest
{
protected:
    void SetUp() override { Capture::Reset(); }

    // Writes the archive as dir/name and extracts it.
    int Run(const Bytes& archive, const std::string& name = "mod.pbo")
    {
        Put(name, archive);
        return pbo.ExtractPbo(Path(name).c_str(), &Capture::Callback);
    }

    std::string Out(const std::string& name) const { return Path("mod/" + name); }

    Ostrel pbo;
};

TEST_F(Extraction, WritesEveryEntryBelowTheFolderNamedAfterTheArchive)
{
    Bytes archive = MakeArchive({StoredEntry("a.txt", "abc"), StoredEntry("scripts\\init.sqs", "hint 1"),
                                 StoredEntry("data\\x.***", "zz"), StoredEntry("sub\\deeper\\b.bin", "b")});
    ASSERT_EQ(0, Run(archive, "mod.PBO"));
    EXPECT_EQ("abc", ReadText(Out("a.txt")));
    EXPECT_EQ("hint 1", ReadText(Out("scripts/init.sqs")));
    EXPECT_EQ("zz", ReadText(Out("data/x.zzz")));
    EXPECT_EQ("b", ReadText(Out("sub/deeper/b.bin")));
    EXPECT_FALSE(FileExists(Out("data/x.***")));
    EXPECT_EQ(0, pbo.GetErrorCode());
    EXPECT_STREQ("No error(s)", pbo.strError());
    // The archive is closed afterwards.
    EXPECT_EQ(nullptr, pbo.firstEntry);
    EXPECT_EQ(0, pbo.GetEntryCount());
    // Name lines follow the archive report, in header order.
    long first = FindLine("a.txt\r\n");
    ASSERT_GE(first, 1);
    EXPECT_EQ("========*==*==============\r\n", Capture::lines[first - 1]);
    EXPECT_EQ("scripts\\init.sqs\r\n", Capture::lines[first + 1]);
    EXPECT_EQ("data\\x.***\r\n", Capture::lines[first + 2]);
    EXPECT_EQ(static_cast<size_t>(first + 4), Capture::lines.size());
    EXPECT_FALSE(FileExists(Out("$PBOPREFIX$")));
}

TEST_F(Extraction, CompressedEntriesAreWrittenUnpackedAndEmptyEntriesAsEmptyFiles)
{
    Bytes contents = TextLike(5000, 7);
    TestEntry packed = CompressedEntry("packed.txt", contents);
    ASSERT_LT(packed.data.size(), contents.size());
    TestEntry emptyPacked = CompressedEntry("emptypacked", {});
    emptyPacked.data.clear();
    ASSERT_EQ(0, Run(MakeArchive({packed, StoredEntry("empty.txt", ""), emptyPacked})));
    EXPECT_EQ(contents, ReadFile(Out("packed.txt")));
    ASSERT_TRUE(FileExists(Out("empty.txt")));
    EXPECT_TRUE(ReadFile(Out("empty.txt")).empty());
    ASSERT_TRUE(FileExists(Out("emptypacked")));
    EXPECT_TRUE(ReadFile(Out("emptypacked")).empty());
}

TEST_F(Extraction, PrefixArchiveWritesThePrefixFileBeforeTheEntries)
{
    Bytes residual(21, 0xAB);
    Bytes archive = MakeArchive({StoredEntry("a.txt", "abc"), StoredEntry("$pboprefix$", "other\\prefix")}, "prefix",
                                "x\\y\\addon", residual);
    ASSERT_EQ(0, Run(archive));
    EXPECT_EQ("x\\y\\addon", ReadText(Out("$PBOPREFIX$")));
    EXPECT_EQ("abc", ReadText(Out("a.txt")));
    long made = FindLine("Creating prefix file for x\\y\\addon\r\n");
    ASSERT_GE(made, 0);
    EXPECT_EQ("--------------------\r\n", Capture::lines[made + 1]);
    EXPECT_EQ("a.txt\r\n", Capture::lines[made + 2]);
    // The archive's own prefix entry is named and passed over.
    EXPECT_EQ("$pboprefix$\r\n", Capture::lines[made + 3]);
    EXPECT_EQ("...ignoring\r\n", Capture::lines[made + 4]);
    EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"$PBOPREFIX$", "a.txt"}));
}

TEST_F(Extraction, OtherProductTypesWriteNoPrefixFile)
{
    ASSERT_EQ(0, Run(MakeArchive({StoredEntry("a.txt", "abc")}, "Tovrin", "OFP: Resistance")));
    EXPECT_EQ(-1, FindLine("--------------------\r\n"));
    EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"a.txt"}));
}

TEST_F(Extraction, RefusedArchivePathsTouchNothing)
{
    // A folder that a wrong cut would name (or empty) stays as it is.
    fs::create_directories(Path("mod"));
    fs::create_directories(Path("my.files/mod"));
    Put("mod/keep.txt", "keep");
    Put("my.files/mod/keep.txt", "keep");
    Put("mod.zip", MakeArchive({StoredEntry("a.txt", "abc")}));
    const std::vector<std::string> paths = {Path("mod.zip"), Path("my.files/mod"), Path(".pbo"), Path("..pbo"),
                                            Path("...pbo"),  Path() + "/",         ".pbo"};
    for (const std::string& path : paths)
    {
        SCOPED_TRACE(path);
        EXPECT_EQ(-3, pbo.ExtractPbo(path.c_str(), &Capture::Callback));
        EXPECT_STREQ("Ostrel No File opened", pbo.strError());
    }
    EXPECT_EQ(-3, pbo.ExtractPbo(nullptr, nullptr));
    EXPECT_EQ("keep", Text("mod/keep.txt"));
    EXPECT_EQ("keep", Text("my.files/mod/keep.txt"));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"mod", "mod.zip", "my.files"}));
    EXPECT_TRUE(Capture::lines.empty());
}

TEST_F(Extraction, PathWithoutDotNamesItselfAsTheFolder)
{
    if (Path().find('.') != std::string::npos)
        GTEST_SKIP() << "temporary folder has a dot in its path";
    Bytes archive = MakeArchive({StoredEntry("a.txt", "abc")});
    Put("mod", archive);
    // The archive is opened with its default extension, which is missing.
    EXPECT_EQ(-3, pbo.ExtractPbo(Path("mod").c_str(), &Capture::Callback));
    EXPECT_EQ(archive, Read("mod"));

    // With mod.pbo present the archive opens, and the first entry cannot be
    // created inside the file "mod".
    Put("mod.pbo", archive);
    EXPECT_EQ(-3, pbo.ExtractPbo(Path("mod").c_str(), &Capture::Callback));
    Put("mod.pbo", MakeArchive({StoredEntry("scripts\\a.txt", "abc")}));
    EXPECT_EQ(-14, pbo.ExtractPbo(Path("mod").c_str(), &Capture::Callback));
    EXPECT_STREQ("Cannot make folder", pbo.strError());
    EXPECT_EQ(archive, Read("mod"));
}

TEST_F(Extraction, OldFolderIsDeletedBeforeTheArchiveIsRead)
{
    fs::create_directories(Path("mod/sub/deeper"));
    fs::create_directories(Path("mod/empty"));
    Put("mod/old.txt", "old");
    Put("mod/sub/old2.txt", "old");
    Put("mod/sub/deeper/old3.txt", "old");
    ASSERT_EQ(0, Run(MakeArchive({StoredEntry("new.txt", "new")})));
    EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"new.txt"}));

    // Deleted even when the archive then turns out to be damaged.
    fs::create_directories(Path("mod/sub"));
    Put("mod/sub/old.txt", "old");
    PboBytes bad;
    bad.Entry("", 1, 0, 0, 0, 0);
    EXPECT_EQ(-9, Run(bad.Get()));
    EXPECT_FALSE(Exists("mod"));
}

TEST_F(Extraction, HiddenItemStopsTheDeletionWithTheSystemsReason)
{
    fs::create_directories(Path("mod/sub"));
    Put("mod/a_visible.txt", "v");
    Put("mod/sub/.hidden", "h");
    Hide(Path("mod/sub/.hidden"));
    EXPECT_EQ(-13, Run(MakeArchive({StoredEntry("a.txt", "abc")})));
    EXPECT_STREQ("Cannot remove pbo folder", pbo.strError());
    ASSERT_EQ(1u, Capture::lines.size());
    EXPECT_EQ(std::string(std::strerror(ENOTEMPTY)) + "\r\n", Capture::lines[0]);
    // What was deleted before the failure stays deleted; the rest stays.
    EXPECT_TRUE(Exists("mod/sub/.hidden"));
    EXPECT_FALSE(Exists("mod/a_visible.txt"));
    EXPECT_FALSE(Exists("mod/a.txt"));
}

TEST_F(Extraction, RefusedNameLineStopsWithCancel)
{
    // Two archive report lines, then the names of a, b and c.
    Capture::Reset(2 + 3);
    Bytes archive = MakeArchive(
        {StoredEntry("a.txt", "a"), StoredEntry("b.txt", "b"), StoredEntry("c.txt", "c"), StoredEntry("d.txt", "d")});
    EXPECT_EQ(-12, Run(archive));
    EXPECT_STREQ("Callback failed / cancelled", pbo.strError());
    EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(nullptr, pbo.firstEntry);
}

TEST_F(Extraction, DamagedEntryStopsExtractionWithItsCode)
{
    Bytes contents = TextLike(3000, 3);
    TestEntry badSum = CompressedEntry("bad.txt", contents);
    badSum.data.back() ^= 0x5A;
    TestEntry shortData = StoredEntry("short.txt", "0123456789");
    struct Case
    {
        const char* what;
        Bytes archive;
        int code;
    };
    PboBytes truncated;
    truncated.Entry("good.txt", 0, 0, 0, 0, 4).Entry("short.txt", 0, 0, 0, 0, 1000).Terminator().Raw("goodshort");
    const std::vector<Case> cases = {
        {"checksum", MakeArchive({StoredEntry("good.txt", "good"), badSum, StoredEntry("after.txt", "x")}), -6},
        {"truncated", truncated.Get(), -2},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        Capture::Reset();
        EXPECT_EQ(c.code, Run(c.archive));
        EXPECT_EQ(c.code, pbo.GetErrorCode());
        EXPECT_EQ("good", ReadText(Out("good.txt")));
        EXPECT_FALSE(FileExists(Out("after.txt")));
        EXPECT_EQ(nullptr, pbo.firstEntry);
    });
}

TEST_F(Extraction, NamesLeavingTheFolderAreRefused)
{
    // Windows forms too (shares, device paths, drives with either separator):
    // refused alike on every system.
    const std::vector<std::string> names = {"..\\evil.txt",
                                            "a\\..\\..\\evil.txt",
                                            "a/../../evil.txt",
                                            "\\evil.txt",
                                            "/evil.txt",
                                            "C:\\evil.txt",
                                            "c:evil.txt",
                                            "..",
                                            "sub\\..\\..",
                                            "\\\\server\\share\\evil.txt",
                                            "//server/share/evil.txt",
                                            "\\\\?\\C:\\evil.txt",
                                            "C:/evil.txt",
                                            "Z:evil.txt",
                                            "a\\b\\..\\..\\..\\evil.txt"};
    for (const std::string& name : names)
    {
        SCOPED_TRACE(name);
        Capture::Reset();
        Bytes archive =
            MakeArchive({StoredEntry("first.txt", "1"), StoredEntry(name, "evil"), StoredEntry("z.txt", "z")});
        EXPECT_EQ(-10, Run(archive));
        EXPECT_STREQ("Ostrel Entry name leaves the extraction folder", pbo.strError());
        EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"first.txt"}));
        EXPECT_EQ(Listing(), (std::vector<std::string>{"mod", "mod.pbo"}));
        EXPECT_EQ(nullptr, pbo.firstEntry);
    }
}

TEST_F(Extraction, DotStepsThatStayInsideAreWritten)
{
    ASSERT_EQ(0, Run(MakeArchive({StoredEntry("a\\..\\b.txt", "b"), StoredEntry(".\\c\\.\\d.txt", "d")})));
    EXPECT_EQ("b", ReadText(Out("b.txt")));
    EXPECT_EQ("d", ReadText(Out("c/d.txt")));
}

TEST_F(Extraction, LinksInTheOldFolderAreRemovedNotFollowed)
{
    OSTREL_POSIX_ONLY("symbolic links need a privilege there");
    TempDir outside;
    fs::create_directories(outside.Path("sub"));
    WriteFile(outside.Path("file.txt"), "outside");
    WriteFile(outside.Path("sub/inner.txt"), "inner");
    fs::create_directories(Path("mod/sub"));
    fs::create_directory_symlink(outside.Path(), Path("mod/linkdir"));
    fs::create_symlink(outside.Path("file.txt"), Path("mod/linkfile"));
    fs::create_directory_symlink(outside.Path("sub"), Path("mod/sub/linksub"));
    fs::create_symlink(outside.Path("missing"), Path("mod/dangling"));
    ASSERT_EQ(0, Run(MakeArchive({StoredEntry("a.txt", "abc")})));
    EXPECT_EQ(Listing("mod"), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ("outside", ReadText(outside.Path("file.txt")));
    EXPECT_EQ("inner", ReadText(outside.Path("sub/inner.txt")));

    // The folder itself is a link: the link goes, a real folder takes its place.
    fs::remove_all(Path("mod"));
    fs::create_directory_symlink(outside.Path(), Path("mod"));
    ASSERT_EQ(0, Run(MakeArchive({StoredEntry("file.txt", "new")})));
    EXPECT_FALSE(fs::is_symlink(Path("mod")));
    EXPECT_EQ("new", ReadText(Out("file.txt")));
    EXPECT_EQ("outside", ReadText(outside.Path("file.txt")));
    EXPECT_EQ("inner", ReadText(outside.Path("sub/inner.txt")));
}

TEST_F(Extraction, ItemNamesHoldingBackslashesAreNeverResolvedOutside)
{
    OSTREL_POSIX_ONLY("no file name holds a backslash");
    // On POSIX a name may hold a backslash; mapped to a separator it would
    // name the file "evil" beside the folder.
    fs::create_directories(Path("mod"));
    Put("mod/\\..\\evil", "inside");
    Put("evil", "outside");
    EXPECT_EQ(-13, Run(MakeArchive({StoredEntry("a.txt", "abc")})));
    EXPECT_EQ(std::string(std::strerror(EINVAL)) + "\r\n", Capture::lines.at(0));
    EXPECT_EQ("outside", Text("evil"));
    EXPECT_EQ("inside", Text("mod/\\..\\evil"));
}

TEST_F(Extraction, FailedWriteAnswersNoFile)
{
    OSTREL_POSIX_ONLY("the file size cannot be capped (setrlimit)");
#if !defined(_WIN32)
    // The file size limit makes the write of the second entry fail.
    rlimit old;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    Put("mod.pbo", MakeArchive({StoredEntry("a.txt", "abc"), StoredEntry("big.bin", std::string(200000, 'x'))}));
    rlimit low = old;
    low.rlim_cur = 100000;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &low));
    int result = pbo.ExtractPbo(Path("mod.pbo").c_str(), &Capture::Callback);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(-3, result);
    EXPECT_EQ("abc", ReadText(Out("a.txt")));
    EXPECT_EQ(nullptr, pbo.firstEntry);
#endif
}

TEST_F(Extraction, AggregateMemberExtractsSilentlyWithNullCallback)
{
    RazDLL raz;
    Put("mod.pbo", MakeArchive({StoredEntry("a.txt", "abc")}, "prefix", "p"));
    EXPECT_EQ(0, raz.ostrel.ExtractPbo(Path("mod.pbo").c_str(), nullptr));
    EXPECT_EQ("p", ReadText(Out("$PBOPREFIX$")));
    // Extracting again replaces the earlier result.
    EXPECT_EQ(0, raz.ostrel.ExtractPbo(Path("mod.pbo").c_str(), nullptr));
    EXPECT_EQ("abc", ReadText(Out("a.txt")));
}

TEST_F(Extraction, PrefixFileThatCannotBeCreatedAnswersNoFile)
{
    // A plain file where the folder belongs is not deleted (it is no folder),
    // and nothing can be created inside it.
    Put("mod", "plain");
    EXPECT_EQ(-3, Run(MakeArchive({StoredEntry("a.txt", "abc")}, "prefix", "p")));
    ASSERT_FALSE(Capture::lines.empty());
#if defined(_WIN32)
    const int reason = ENOENT; // a path through a file is a path not found there
#else
    const int reason = ENOTDIR;
#endif
    EXPECT_EQ("cannot create prefix file " + std::string(std::strerror(reason)) + "\r\n", Capture::lines.back());
    EXPECT_EQ(-1, FindLine("a.txt\r\n"));
    EXPECT_EQ("plain", Text("mod"));
    EXPECT_EQ(nullptr, pbo.firstEntry);
}

// Dot steps do not hide the prefix file: such an entry is that file too and is
// passed over, and no name leaves a folder behind that its ".." step undid.
TEST_F(Extraction, DotStepsNeitherReplaceThePrefixFileNorLeaveFolders)
{
    struct Case
    {
        const char* name;
        const char* writtenAs; // null: passed over as the prefix file
        std::vector<std::string> top;
    };
    const std::vector<Case> cases = {
        {".\\$PBOPREFIX$", nullptr, {"$PBOPREFIX$", "a.txt"}},
        {"sub\\..\\$PBOPREFIX$", nullptr, {"$PBOPREFIX$", "a.txt"}},
        {"a\\b\\..\\..\\.\\$pboprefix$", nullptr, {"$PBOPREFIX$", "a.txt"}},
        {"sub\\..\\b.txt", "b.txt", {"$PBOPREFIX$", "a.txt", "b.txt"}},
        {"sub\\.\\\\c.txt", "sub/c.txt", {"$PBOPREFIX$", "a.txt", "sub"}},
        {"sub\\$PBOPREFIX$", "sub/$PBOPREFIX$", {"$PBOPREFIX$", "a.txt", "sub"}},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        Capture::Reset();
        Bytes archive = MakeArchive({StoredEntry("a.txt", "abc"), StoredEntry(c.name, "entry")}, "prefix", "x\\y");
        ASSERT_EQ(0, Run(archive));
        EXPECT_EQ("x\\y", ReadText(Out("$PBOPREFIX$")));
        EXPECT_EQ(Listing("mod"), c.top);
        long line = FindLine(std::string(c.name) + "\r\n");
        ASSERT_GE(line, 0);
        if (c.writtenAs)
        {
            EXPECT_EQ("entry", ReadText(Out(c.writtenAs)));
        }
        else
        {
            EXPECT_EQ("...ignoring\r\n", Capture::lines.at(static_cast<size_t>(line) + 1));
        }
    });
}

// A folder that exists but cannot be listed may hold anything, such as a link
// out of it: extraction stops instead of writing into it. Run in a child
// process as an unprivileged user (root lists any folder).
TEST_F(Extraction, OldFolderThatCannotBeListedStopsTheExtraction)
{
    OSTREL_POSIX_ONLY("folder permissions and a second user need POSIX");
#if !defined(_WIN32)
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (uid == 0)
    {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || nobody->pw_uid == 0)
            GTEST_SKIP() << "no unprivileged user to run as";
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        ASSERT_EQ(0, chmod(Path().c_str(), 0777));
    }
    Put("mod.pbo", MakeArchive({StoredEntry("x.txt", "entry bytes")}));
    ASSERT_EQ(0, chmod(Path("mod.pbo").c_str(), 0644));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // No test macros here: the answer is the exit status.
        if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(100);
        if (mkdir(Path("outside").c_str(), 0777) != 0 || mkdir(Path("mod").c_str(), 0777) != 0 ||
            symlink("../outside/x.txt", Path("mod/x.txt").c_str()) != 0 || chmod(Path("mod").c_str(), 0300) != 0)
            _exit(101);
        Ostrel pbo;
        int result = pbo.ExtractPbo(Path("mod.pbo").c_str(), &Capture::Callback);
        bool reason = Capture::lines.size() == 1 && Capture::lines[0] == std::string(std::strerror(EACCES)) + "\r\n";
        _exit(result == -13 && reason ? 0 : 102);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_FALSE(Exists("outside/x.txt"));
    chmod(Path("mod").c_str(), 0700);
#endif
}

// The listing helper.
TEST(FolderScanTest, StartAnswersByWhatTheFolderHolds)
{
    TempDir dir;
    FolderScan scan;
    EXPECT_EQ(-1, scan.Start(dir.Path("missing").c_str()));
    EXPECT_EQ(-1, scan.handle);
    dir.Put("file", "x");
    EXPECT_EQ(-1, scan.Start(dir.Path("file").c_str()));
    fs::create_directories(dir.Path("empty"));
    EXPECT_EQ(0, scan.Start(dir.Path("empty").c_str()));
    EXPECT_EQ(-1, scan.handle);
    fs::create_directories(dir.Path("hidden/.git"));
    dir.Put("hidden/.keep", "x");
    Hide(dir.Path("hidden/.git"));
    Hide(dir.Path("hidden/.keep"));
    EXPECT_EQ(0, scan.Start(dir.Path("hidden").c_str()));
    EXPECT_EQ(nullptr, scan.Name());
    EXPECT_FALSE(scan.Next());
    EXPECT_FALSE(scan.IsFolder());
}

TEST(FolderScanTest, ListsVisibleItemsInNameOrder)
{
    TempDir dir;
    fs::create_directories(dir.Path("b_folder"));
    dir.Put("C.txt", "x");
    dir.Put("a.txt", "abc");
    dir.Put(".hidden", "x");
    Hide(dir.Path(".hidden"));
#if defined(_WIN32)
    // Links need a privilege on Windows; a plain file stands in.
    dir.Put("d_link", "x");
#else
    fs::create_directory_symlink(dir.Path("b_folder"), dir.Path("d_link"));
#endif
    FolderScan scan;
    ASSERT_EQ(1, scan.Start(dir.Path().c_str()));
    std::vector<std::pair<std::string, bool>> items;
    do
    {
        items.emplace_back(scan.Name(), scan.IsFolder());
        if (items.back().first == "a.txt")
        {
            EXPECT_EQ(3u, scan.FindData()->size);
            EXPECT_EQ(0u, scan.FindData()->attrib & 0x10u);
        }
    } while (scan.Next());
    EXPECT_FALSE(scan.Next());
    std::vector<std::pair<std::string, bool>> expected = {
        {"a.txt", false}, {"b_folder", true}, {"C.txt", false}, {"d_link", false}};
    EXPECT_EQ(expected, items);
    scan.End();
    EXPECT_EQ(-1, scan.handle);
    EXPECT_EQ(nullptr, scan.Name());
}
} // namespace

using testsupport::LoopCopyOnly;

// Stored entries go from the archive to their files in one copy (the
// system's own, or the block loop when it declines): both ways write the
// entries' bytes exactly, whatever the entries around them, and make the
// folders they need once.
TEST_F(Extraction, SystemCopyAndLoopWriteTheSameFiles)
{
    const Bytes big = TextLike((2u << 20) + 333, 11);
    std::vector<TestEntry> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(StoredEntry("f" + std::to_string(i % 3) + "\\deep\\e" + std::to_string(i) + ".txt",
                                   std::string(static_cast<size_t>(i) * 37, static_cast<char>('a' + i % 26))));
    struct Case
    {
        const char* what;
        std::vector<TestEntry> entries;
        std::vector<std::pair<std::string, Bytes>> files; // expected, by path below the folder
    };
    TestEntry big1;
    big1.name = "data\\big.bin";
    big1.data = big;
    std::vector<Case> cases = {
        {"large entry between small ones",
         {StoredEntry("a.txt", "head"), big1, StoredEntry("data\\z.txt", "tail")},
         {{"a.txt", ToBytes("head")}, {"data/big.bin", big}, {"data/z.txt", ToBytes("tail")}}},
        {"stored after packed",
         {CompressedEntry("p\\packed.txt", TextLike(4000, 2)), StoredEntry("p\\plain.txt", "plain"),
          StoredEntry("empty", "")},
         {{"p/packed.txt", TextLike(4000, 2)}, {"p/plain.txt", ToBytes("plain")}, {"empty", {}}}},
        {"a later entry of the same name replaces the earlier",
         {StoredEntry("same.txt", "first and longer"), StoredEntry("same.txt", "second")},
         {{"same.txt", ToBytes("second")}}},
        {"many entries in a few folders", many, {}},
    };
    for (const TestEntry& entry : many)
    {
        std::string path = entry.name;
        std::replace(path.begin(), path.end(), '\\', '/');
        cases.back().files.push_back({path, entry.data});
    }
    // A large entry whose data starts on a page boundary of the archive (the
    // first entry's length pads the header to it), so the system copies it.
    {
        TestEntry pad = StoredEntry("pad.txt", "");
        const size_t header = MakeArchive({pad, big1}).size() - big.size();
        pad = StoredEntry("pad.txt", std::string((4096 - header % 4096) % 4096, 'p'));
        cases.push_back({"entry on a page boundary", {pad, big1}, {{"pad.txt", pad.data}, {"data/big.bin", big}}});
    }
    testsupport::CheckRows(cases, [&](const Case& c) {
        for (bool loop : {false, true})
        {
            SCOPED_TRACE(loop ? "loop" : "system copy");
            LoopCopyOnly only(loop);
            Ostrel fresh;
            Put("mod.pbo", MakeArchive(c.entries));
            ASSERT_EQ(0, fresh.ExtractPbo(Path("mod.pbo").c_str(), nullptr));
            for (const auto& file : c.files)
                EXPECT_EQ(file.second, ReadFile(Out(file.first))) << file.first;
        }
    });
}
