// The patch program, run as built: merge rules, output name, flavour and
// prefix choice, options, and the texts on each stream.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "PatcherRun.h"
#include "pbo/Ostrel.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/Rows.h"
#include "support/TempDir.h"

using patchertest::Outcome;
using patchertest::RunPatcher;
using patchertest::SyntaxText;
using patchertest::VersionLine;
using testsupport::Bytes;
using testsupport::MakeArchive;
using testsupport::TestEntry;

namespace
{
TestEntry Stored(const std::string& name, const std::string& contents, uint32_t timestamp)
{
    TestEntry e = testsupport::StoredEntry(name, contents);
    e.timestamp = timestamp;
    return e;
}

class PatcherTest : public testsupport::FolderTest
{
protected:
    std::string Success(const std::string& output) const { return "Success: Output written to " + Path(output) + "\n"; }
};
} // namespace

TEST_F(PatcherTest, PatchEntriesAddDeleteAndTargetEntriesAreKept)
{
    const std::string patch =
        Put("p.pbo", MakeArchive({Stored("a.txt", "AAAAA", 1), Stored("b.txt", "", 2), Stored("c.txt", "CCCC", 3)}));
    const std::string target = Put("t.pbo", MakeArchive({Stored("B.TXT", "BBBBBBBBB", 4), Stored("d.txt", "DD", 5)}));

    Outcome run = RunPatcher({patch, target});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, VersionLine());
    EXPECT_EQ(run.out,
              "Creating CWC type patch\nAdding a.txt\nDeleting b.txt\nAdding c.txt\n" + Success("t.patched.pbo"));
    EXPECT_EQ(Read("t.patched.pbo"),
              MakeArchive({Stored("a.txt", "AAAAA", 1), Stored("c.txt", "CCCC", 3), Stored("d.txt", "DD", 5)}));
}

TEST_F(PatcherTest, ReplacementKeepsThePatchLetterCaseAndAnEmptyNewEntryIsAdded)
{
    const std::string patch = Put("p.pbo", MakeArchive({Stored("A.TXT", "new", 7), Stored("e.txt", "", 8)}));
    const std::string target = Put("t.pbo", MakeArchive({Stored("z.txt", "zz", 9), Stored("a.txt", "old!", 6)}));

    Outcome run = RunPatcher({patch, target});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Creating CWC type patch\nReplacing A.TXT\nAdding e.txt\n" + Success("t.patched.pbo"));
    EXPECT_EQ(Read("t.patched.pbo"),
              MakeArchive({Stored("A.TXT", "new", 7), Stored("e.txt", "", 8), Stored("z.txt", "zz", 9)}));
}

TEST_F(PatcherTest, CompressedEntryIsCopiedPackedWithItsHeader)
{
    const Bytes contents = testsupport::TextLike(2000, 3);
    TestEntry packed = testsupport::CompressedEntry("data\\c.bin", contents);
    packed.timestamp = 11;
    // Bytes that do not unpack: the program never tries.
    TestEntry garbage{"g.bin", {1, 2, 3, 4}, 0x43707273, 100, 12};
    const std::string patch = Put("p.pbo", MakeArchive({packed, garbage}));
    const std::string target = Put("t.pbo", MakeArchive({Stored("keep.txt", "k", 13)}));

    Outcome run = RunPatcher({patch, target});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read("t.patched.pbo"), MakeArchive({packed, garbage, Stored("keep.txt", "k", 13)}));

    Ostrel pbo;
    ASSERT_EQ(pbo.OpenPbo(Path("t.patched.pbo").c_str(), nullptr), 0);
    EXPECT_EQ(pbo.IsCompressed(pbo.firstEntry), 1);
    ASSERT_EQ(pbo.GetBinData(pbo.firstEntry, false), static_cast<int>(contents.size()));
    EXPECT_EQ(Bytes(pbo.GetDataPtr(pbo.firstEntry), pbo.GetDataPtr(pbo.firstEntry) + contents.size()), contents);
}

TEST_F(PatcherTest, OutputIsNamedAfterTheSecondArgument)
{
    struct Case
    {
        std::string targetFile;
        std::string targetArgument;
        std::string output;
    };
    const Case cases[] = {
        {"x.pbo", "x.pbo", "x.patched.pbo"},
        {"x.pbo", "x", "x.patched.pbo"},
        {"X.PBO", "X.PBO", "X.patched.pbo"},
        {"y.Pbo", "y.Pbo", "y.patched.pbo"},
    };
    const std::string patch = Put("p.pbo", MakeArchive({Stored("a", "a", 1)}));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.targetArgument);
        Put(c.targetFile, MakeArchive({Stored("b", "b", 2)}));
        Outcome run = RunPatcher({patch, Path(c.targetArgument)});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "Creating CWC type patch\nAdding a\n" + Success(c.output));
        EXPECT_EQ(Read(c.output), MakeArchive({Stored("a", "a", 1), Stored("b", "b", 2)}));
        std::remove(Path(c.output).c_str());
    }
}

TEST_F(PatcherTest, OptionChoosesTheFlavourAndNamesTheOutputAfterThePatch)
{
    struct Case
    {
        std::string option;
        PboFlags flavour;
        std::string line;
        std::string productType;
        std::string productName;
        size_t keyBytes;
    };
    const Case cases[] = {
        {"-r", Resistance, "Creating RES type patch\n", "Tovrin", "OFP: Resistance", 0},
        {"-Amyprefix", ArmaNoSha, "Creating ARMA no shakey type patch\n", "prefix", "myprefix", 0},
        {"-amy\\prefix", ArmaNoSha, "Creating ARMA no shakey type patch\n", "prefix", "my\\prefix", 0},
        // No prefix anywhere: the writer derives it from the output name.
        {"-A", ArmaNoSha, "Creating ARMA no shakey type patch\n", "prefix", "p.patched.pbo", 0},
        {"-e", Elite, "Creating ELITE type patch\n", "prefix", "p.patched.pbo", 5},
        {"-c", Cwc, "Creating CWC type patch\n", "", "", 0},
    };
    const std::string patch = Put("p.pbo", MakeArchive({Stored("a", "a", 1)}, "Tovrin", "OFP: Resistance"));
    const std::string target = Put("t.pbo", MakeArchive({Stored("b", "bb", 2)}));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.option);
        Outcome run = RunPatcher({c.option, patch, target});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, VersionLine());
        EXPECT_EQ(run.out, c.line + "Adding a\n" + Success("p.patched.pbo"));
        EXPECT_EQ(Read("p.patched.pbo"), MakeArchive({Stored("a", "a", 1), Stored("b", "bb", 2)}, c.productType,
                                                     c.productName, Bytes(c.keyBytes, 0)));
        Ostrel pbo;
        ASSERT_EQ(pbo.OpenPbo(Path("p.patched.pbo").c_str(), nullptr), 0);
        EXPECT_EQ(pbo.GetPboType(), c.flavour);
    }
}

TEST_F(PatcherTest, WithoutOptionTheLargerFlavourAndTheInputPrefixWin)
{
    const Bytes key = Bytes(21, 0xAB);
    struct Case
    {
        std::string what;
        Bytes patch;
        Bytes target;
        std::string line;
        Bytes output;
    };
    const std::vector<TestEntry> p = {Stored("a", "a", 1)};
    const std::vector<TestEntry> t = {Stored("b", "b", 2)};
    const std::vector<TestEntry> merged = {Stored("a", "a", 1), Stored("b", "b", 2)};
    const Case cases[] = {
        // An Arma target makes an Arma output; its key bytes are not carried.
        {"arma target, prefix patch", MakeArchive(p, "prefix", "pp"), MakeArchive(t, "prefix", "tp", key),
         "Creating ARMA type patch\n", testsupport::WithChecksum(MakeArchive(merged, "prefix", "pp"))},
        {"patch type Prefix in capitals", MakeArchive(p, "PREFIX", "big"), MakeArchive(t, "prefix", "tp"),
         "Creating ARMA no shakey type patch\n", MakeArchive(merged, "prefix", "big")},
        {"resistance patch, prefix target", MakeArchive(p, "Tovrin", "OFP: Resistance"),
         MakeArchive(t, "prefix", "tp", Bytes(5, 0xCD)), "Creating ELITE type patch\n",
         MakeArchive(merged, "prefix", "tp", Bytes(5, 0))},
        {"resistance patch, cwc target", MakeArchive(p, "Tovrin", "OFP: Resistance"), MakeArchive(t),
         "Creating RES type patch\n", MakeArchive(merged, "Tovrin", "OFP: Resistance")},
        {"cwc patch, arma target without prefix name", MakeArchive(p),
         testsupport::PboBytes()
             .Entry("", 0x56657273, 0, 0, 0, 0)
             .Str("prefix")
             .Str("")
             .Entry("b", 0, 0, 0, 2, 1)
             .Terminator()
             .Raw("b")
             .Raw(key)
             .Get(),
         "Creating ARMA type patch\n", testsupport::WithChecksum(MakeArchive(merged, "prefix", "t.patched.pbo"))},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Outcome run = RunPatcher({Put("p.pbo", c.patch), Put("t.pbo", c.target)});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.line + "Adding a\n" + Success("t.patched.pbo"));
        EXPECT_EQ(Read("t.patched.pbo"), c.output);
    }
}

TEST_F(PatcherTest, SyntaxErrorsPrintTheSyntaxAndEndWithOne)
{
    const std::string p = Put("p.pbo", MakeArchive({}));
    const std::string t = Put("t.pbo", MakeArchive({}));
    const std::vector<std::vector<std::string>> calls = {
        {"-rx", p, t}, {"-x", p, t}, {"r", p, t},  {"-", p, t}, {"-ce", p, t},   {"-E", p, t},
        {p},           {},           {p, t, t, t}, {"-r", p},   {"-r", p, t, t},
    };
    for (const std::vector<std::string>& call : calls)
    {
        SCOPED_TRACE(testing::PrintToString(call));
        Outcome run = RunPatcher(call);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, VersionLine() + SyntaxText());
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(Exists("t.patched.pbo"));
    EXPECT_FALSE(Exists("p.patched.pbo"));
}

TEST_F(PatcherTest, ProgramNameIsTheLastPartOfArgumentZero)
{
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\tools\\PATCH.EXE", "PATCH.EXE"},
        {"/usr/local/bin/patcher", "patcher"},
        {"dir\\sub/name", "name"},
        {"bare", "bare"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        Outcome run = RunPatcher({}, c.first);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, VersionLine(c.second) + SyntaxText(c.second));
    }
}

TEST_F(PatcherTest, ArchivesWithoutDataStillGetTheirTerminator)
{
    const std::string patch = Put("p.pbo", MakeArchive({Stored("new.txt", "", 1)}));
    const std::string target = Put("t.pbo", MakeArchive({}, "prefix", "tp", Bytes(21, 9)));
    Outcome run = RunPatcher({patch, target});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Creating ARMA type patch\nAdding new.txt\n" + Success("t.patched.pbo"));
    EXPECT_EQ(Read("t.patched.pbo"),
              testsupport::WithChecksum(MakeArchive({Stored("new.txt", "", 1)}, "prefix", "tp")));
}
