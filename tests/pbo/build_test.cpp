// Building archives from folders: which files go in under which names for
// every option value, the config checks, the prefix file, and what a failed
// build leaves behind. Archives are read back with the library's reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "RazDLL.h"
#include "frame/Platform.h"
#include "frame/Sha1.h"
#include "pbo/PboErrors.h"
#include "support/ArchiveRead.h"
#include "support/Capture.h"
#include "support/CopyPaths.h"
#include "support/FolderTest.h"
#include "support/PosixOnly.h"
#include "support/Rows.h"

using testsupport::ArchiveContents;
using testsupport::Bytes;
using testsupport::Capture;
using testsupport::LoopCopyOnly;
using testsupport::Noise;
using testsupport::ReadBack;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace
{
const char* const Config = "class CfgPatches\n{\n\tclass Mod\n\t{\n\t\tunits[] = {};\n\t};\n};\n";
const char* const Mission = "version = 11;\nclass Mission\n{\n\trandomSeed = 42;\n};\n";

class BuildTest : public testsupport::FolderTest
{
protected:
    std::string Folder(const std::string& name = "mod") const { return Path(name); }
    std::string Archive(const std::string& name = "mod") const { return Path(name + ".pbo"); }
    // A file of the folder the archive is built from.
    void Source(const std::string& relative, const std::string& content) { Put("mod/" + relative, content); }
    int Build(int flags, Ostrel* pbo = nullptr)
    {
        RazDLL dll;
        Ostrel& target = pbo ? *pbo : dll.ostrel;
        return target.MakePbo(Folder().c_str(), static_cast<PboFlags>(flags), nullptr, &Capture::Callback, nullptr);
    }
};

TEST_F(BuildTest, EveryOptionValuePacksTheFilesItsRulesName)
{
    struct Row
    {
        int options;
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {0, {"a.txt", "config.cpp", "description.ext", "mission.sqm", "model.***", "sub\\b.txt"}},
        {1, {"a.txt", "config.cpp", "description.ext", "mission.sqm", "model.***", "sub\\b.txt"}},
        {2, {"a.txt", "config.bin", "description.ext", "mission.sqm", "model.***", "sub\\b.txt"}},
        {3, {"a.txt", "description.ext", "model.***", "sub\\b.txt"}},
        {4,
         {"a.txt", "config.bin", "config.cpp.txt", "config.cpp,txt", "description.ext", "mission.sqm",
          "mission.sqm.txt", "mission.sqm,txt", "model.***", "sub\\b.txt"}},
        {5,
         {"a.txt", "config.cpp.txt", "config.cpp,txt", "description.ext", "mission.sqm.txt", "mission.sqm,txt",
          "model.***", "sub\\b.txt"}},
        {6, {"a.txt", "config.cpp,txt", "description.ext", "mission.sqm,txt", "model.***", "sub\\b.txt"}},
        {7, {"a.txt", "config.cpp,txt", "description.ext", "mission.sqm,txt", "model.***", "sub\\b.txt"}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.options);
        std::filesystem::remove_all(Folder());
        Source("a.txt", "alpha");
        Source("config.cpp", Config);
        Source("config.cpp,txt", "notes");
        Source("description.ext", "respawn = 3;\n");
        Source("mission.sqm", Mission);
        Source("mission.sqm,txt", "more notes");
        Source("model.zzz", "m");
        Source("sub/b.txt", "beta");
        Source("Thumbs.db", "thumbs");
        Capture::Reset();
        ASSERT_EQ(Build(Arma | row.options), 0);
        EXPECT_EQ(Capture::lines.front(), "ignoring thumbs.db\r\n");
        ArchiveContents built = ReadBack(Archive());
        ASSERT_EQ(built.names, row.names);
        EXPECT_EQ(built.type, Arma);
        EXPECT_EQ(built.data.front(), Bytes({'a', 'l', 'p', 'h', 'a'}));
        EXPECT_EQ(built.data.back(), Bytes({'b', 'e', 't', 'a'}));
        bool compiled = row.options == PboBinariseOption || row.options == PboKeepTextOption;
        EXPECT_EQ(std::filesystem::exists(Folder() + "/config.bin"), compiled);
        EXPECT_EQ(std::filesystem::exists(Folder() + "/mission.bin"), compiled);
        if (compiled)
        {
            Bytes bin = ReadFile(Folder() + "/config.bin");
            ASSERT_GE(bin.size(), 4u);
            EXPECT_EQ(Bytes(bin.begin(), bin.begin() + 4), Bytes({0, 'r', 'a', 'P'}));
            EXPECT_EQ(built.data[1], bin) << "config.bin is packed as compiled";
            DeRap decoder;
            const char* text = nullptr;
            ASSERT_TRUE(decoder.SetAsRapData(bin.data(), static_cast<unsigned>(bin.size()), "config.bin"));
            ASSERT_EQ(decoder.ConvertRapData(&text), 0);
            EXPECT_NE(std::string(text).find("class Mod"), std::string::npos) << text;
            auto mission = std::find(built.names.begin(), built.names.end(), "mission.sqm");
            EXPECT_EQ(built.data[mission - built.names.begin()], ReadFile(Folder() + "/mission.bin"));
        }
    }
}

TEST_F(BuildTest, FailuresAnswerTheirCodeAndLeaveNoArchive)
{
    struct Row
    {
        const char* what;
        int options;
        std::vector<std::pair<std::string, std::string>> files;
        int code;
    };
    const std::string binarised("\0raP\0\0\0\0", 8);
    const std::vector<Row> rows =
    { {"pre-binarised source", PboCheckOption, {{"config.cpp", binarised}}, PboPreRapified},
      {"pre-binarised mission", PboKeepTextOption, {{"sub/mission.sqm", binarised}}, PboPreRapified},
      {"source that does not compile", PboBinariseOption, {{"config.cpp", "class A {\n"}}, PboLintError},
      {"description that does not compile", PboCheckOption, {{"description.ext", "class A {\n"}}, PboLintError},
      {"config.cpp beside config.bin",
       PboCheckOption,
       {{"a/config.cpp", Config}, {"b/CONFIG.BIN", "x"}},
       PboConfigConflict},
#if !defined(_WIN32) // paths this long pass the system's limit there
      {"name longer than an archive holds", 0, {{std::string(150, 'd') + "/" + std::string(150, 'f'), "x"}}, PboNoFile},
#endif
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        std::filesystem::remove_all(Folder());
        std::filesystem::remove(Archive());
        for (const auto& file : row.files)
            Source(file.first, file.second);
        Capture::Reset();
        EXPECT_EQ(Build(row.options), row.code);
        EXPECT_FALSE(std::filesystem::exists(Archive()));
        EXPECT_TRUE(testsupport::NoTemporaryFiles(Path()));
        if (row.code == PboLintError)
        {
            EXPECT_EQ(Capture::lines.back().back(), ' ') << "the failing path is shown";
        }
    });
    // Without options nothing is checked: the binarised text is packed as it is.
    std::filesystem::remove_all(Folder());
    Source("config.cpp", binarised);
    ASSERT_EQ(Build(0), 0);
    EXPECT_EQ(ReadBack(Archive()).data, std::vector<Bytes>{Bytes(binarised.begin(), binarised.end())});

    Ostrel pbo;
    EXPECT_EQ(pbo.MakePbo(Folder("missing").c_str(), Cwc, nullptr, nullptr, nullptr), PboNoFile);
    EXPECT_EQ(pbo.GetErrorCode(), PboNoFile);
    EXPECT_FALSE(std::filesystem::exists(Archive("missing")));
}

// The prefix is the first line of the file, without its line end and the
// blanks around it.
TEST_F(BuildTest, PrefixFileSetsThePrefixAndTheArmaFlavour)
{
    Source("deep/file.txt", "f");
    const char* const texts[] = {"x\\y\r\nsecond line\r\n", "x\\y\n", " \tx\\y \r", "x\\y"};
    for (const char* text : texts)
    {
        Source("$PBOPREFIX$", text);
        for (int flavour : {Cwc, Resistance, ArmaNoSha, Elite, Arma})
        {
            SCOPED_TRACE(testing::Message() << testing::PrintToString(text) << " " << flavour);
            Capture::Reset();
            ASSERT_EQ(Build(flavour), 0);
            EXPECT_NE(std::find(Capture::lines.begin(), Capture::lines.end(), "Overriding prefix with x\\y\r\n"),
                      Capture::lines.end());
            ArchiveContents built = ReadBack(Archive());
            EXPECT_EQ(built.type, flavour == Elite ? Elite : Arma);
            EXPECT_EQ(built.product, "x\\y");
            EXPECT_EQ(built.names, (std::vector<std::string>{"$PBOPREFIX$", "deep\\file.txt"}));
        }
    }
}

// The prefix and its zero must fit the caller's buffer.
TEST(PrefixFile, FirstLineFitsTheCallersBuffer)
{
    testsupport::TempDir dir;
    const std::string path = dir.Path("$PBOPREFIX$");
    char prefix[8];
    for (size_t size : {4, 3})
    {
        WriteFile(path, std::string("a\\b\r\n"));
        EXPECT_EQ(Ostrel::ReadPrefixFile(path.c_str(), prefix, size), size == 4);
    }
    EXPECT_STREQ(prefix, "a\\b");
    WriteFile(path, std::string(2000, 'p'));
    EXPECT_FALSE(Ostrel::ReadPrefixFile(path.c_str(), prefix, sizeof prefix));
    EXPECT_FALSE(Ostrel::ReadPrefixFile(dir.Path("missing").c_str(), prefix, sizeof prefix));
}

TEST_F(BuildTest, SameFolderSameArchiveAndEmptyFolder)
{
    std::filesystem::create_directories(Folder());
    ASSERT_EQ(Build(Cwc), 0);
    EXPECT_EQ(ReadFile(Archive()), Bytes(21, 0)) << "an empty folder gives the terminator only";

    Source("B.txt", "b");
    Source("a.txt", "a");
    Source("c/d.txt", "d");
    Source(".hidden", "h");
    testsupport::Hide(Folder() + "/.hidden");
    ASSERT_EQ(Build(Arma), 0);
    Bytes first = ReadFile(Archive());
    EXPECT_EQ(ReadBack(Archive()).names, (std::vector<std::string>{"a.txt", "B.txt", "c\\d.txt"}));
    ASSERT_EQ(Build(Arma), 0);
    EXPECT_EQ(ReadFile(Archive()), first);
}

// Links inside the folder are packed as their targets; links that lead out
// of it are passed over with a progress line, whatever their form.
TEST_F(BuildTest, LinksToFilesArePackedLinksToFoldersAreNotEntered)
{
    OSTREL_POSIX_ONLY("symbolic links need a privilege there");
    Source("a.txt", "a");
    Source("c/d.txt", "d");
    Put("private.txt", std::string("secret"));
    std::filesystem::create_directory_symlink(Folder() + "/c", Folder() + "/link");
    std::filesystem::create_symlink(Folder() + "/a.txt", Folder() + "/z.txt");
    std::filesystem::create_symlink("../a.txt", Folder() + "/c/up.txt");
    std::filesystem::create_symlink(Path("private.txt"), Folder() + "/absolute.txt");
    std::filesystem::create_symlink("../private.txt", Folder() + "/relative.txt");
    std::filesystem::create_symlink("link/../../private.txt", Folder() + "/through.txt");
    Capture::Reset();
    ASSERT_EQ(Build(Arma), 0);
    ArchiveContents built = ReadBack(Archive());
    EXPECT_EQ(built.names, (std::vector<std::string>{"a.txt", "c\\d.txt", "c\\up.txt", "z.txt"}));
    EXPECT_EQ(built.data.back(), Bytes({'a'})) << "a link to a file packs its target";
    for (const char* name : {"absolute.txt", "relative.txt", "through.txt"})
    {
        std::string line = "skipping " + std::string(name) + ": the link leads outside the folder\r\n";
        EXPECT_NE(std::find(Capture::lines.begin(), Capture::lines.end(), line), Capture::lines.end()) << name;
    }
    // Nor is an outside file read as the prefix or compiled as a config.
    std::filesystem::create_symlink(Path("private.txt"), Folder() + "/$PBOPREFIX$");
    std::filesystem::create_symlink(Path("private.txt"), Folder() + "/config.cpp");
    ASSERT_EQ(Build(Arma | PboBinariseOption), 0);
    EXPECT_EQ(ReadBack(Archive()).product, "mod");
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/config.bin"));
}

// The archive being written and the one the caller moves it to are never
// entries, even where they lie inside the folder.
TEST_F(BuildTest, OutputInsideTheFolderIsNeverPacked)
{
    Source("a.txt", "a");
    Source("sub/b.txt", "b");
    // "mod/sub/.." names the folder; its archive is "mod/sub/...pbo".
    const std::string throughSub = Folder() + "/sub/..";
    const std::string moved = Folder() + "/out.pbo";
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        Ostrel pbo;
        ASSERT_EQ(pbo.MakePbo(throughSub.c_str(), Cwc, nullptr, nullptr, moved.c_str()), 0);
        WriteFile(moved, ReadFile(Folder() + "/sub/...pbo"));
        EXPECT_EQ(ReadBack(moved).names, (std::vector<std::string>{"a.txt", "sub\\b.txt"}));
    }
}

// A backslash inside a name (an ordinary character on POSIX) would read back
// as folders: such a file is refused by name before anything is written.
TEST_F(BuildTest, BackslashInANameIsRefused)
{
    OSTREL_POSIX_ONLY("names cannot hold a backslash there");
    for (bool besideFolder : {false, true})
    {
        SCOPED_TRACE(besideFolder);
        std::filesystem::remove_all(Folder());
        Source("a\\b.txt", "file");
        if (besideFolder)
            Source("a/b.txt", "folder");
        for (int options : {0, PboCheckOption})
        {
            Capture::Reset();
            EXPECT_EQ(Build(Arma | options), PboUnsafeName);
            EXPECT_FALSE(std::filesystem::exists(Archive()));
            std::string line = "cannot pack " + Folder() + "/a\\b.txt: a backslash in a name cannot be stored\r\n";
            EXPECT_NE(std::find(Capture::lines.begin(), Capture::lines.end(), line), Capture::lines.end());
        }
    }
}

// The temporary name of the archive is short: a folder whose archive name is
// 255 bytes long (the component limit) still builds.
TEST_F(BuildTest, ArchiveNameAtTheComponentLimitBuilds)
{
    OSTREL_POSIX_ONLY("the whole path passes the limit there");
    const std::string name(251, 'm');
    std::filesystem::create_directories(Folder(name));
    WriteFile(Folder(name) + "/a.txt", std::string("a"));
    Ostrel pbo;
    ASSERT_EQ(pbo.MakePbo(Folder(name).c_str(), Cwc, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ReadBack(Archive(name)).names, std::vector<std::string>{"a.txt"});
}

// Changes a file once the header is written and before its data is read.
std::string changePath;
std::string changeContent;
bool ChangeOnHeaderLine(const char* format, ...)
{
    if (std::string(format) == "%s\r\n" && !changePath.empty())
    {
        WriteFile(changePath, changeContent);
        changePath.clear();
    }
    return true;
}

TEST_F(BuildTest, FileChangedAfterListingFailsAndKeepsTheOldArchive)
{
    WriteFile(Archive(), std::string("old archive"));
    for (const char* content : {"longer than before", "s"})
    {
        SCOPED_TRACE(content);
        std::filesystem::remove_all(Folder());
        Source("a.txt", "before");
        changePath = Folder() + "/a.txt";
        changeContent = content;
        Ostrel pbo;
        EXPECT_EQ(pbo.MakePbo(Folder().c_str(), Arma, nullptr, &ChangeOnHeaderLine, nullptr), PboNoFile);
        EXPECT_EQ(ReadFile(Archive()), Bytes({'o', 'l', 'd', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'}));
        EXPECT_TRUE(testsupport::NoTemporaryFiles(Path()));
    }
}

TEST_F(BuildTest, OpenArchiveIsClosedAndStandAloneObjectCompiles)
{
    Source("config.cpp", Config);
    Ostrel pbo;
    ASSERT_TRUE(pbo.CreatePbo(Path("other").c_str(), Cwc, nullptr, nullptr, nullptr));
    ASSERT_EQ(
        pbo.MakePbo(Folder().c_str(), static_cast<PboFlags>(ArmaNoSha | PboBinariseOption), "p", nullptr, nullptr), 0);
    EXPECT_EQ(Read("other.pbo"), Bytes(21, 0)) << "the open archive was finished first";
    ArchiveContents built = ReadBack(Archive());
    EXPECT_EQ(built.names, std::vector<std::string>{"config.bin"});
    EXPECT_EQ(built.product, "p");
    EXPECT_EQ(pbo.GetEntryCount(), 0);
}
} // namespace

// Every flavour writes the same archive whether entry data goes file to file
// or through a block (and, for Arma, through the hash): the data block is the
// files in listing order, and an Arma archive ends with a zero byte and the
// SHA-1 of every byte before it (computed here on the portable path).
TEST_F(BuildTest, CopyPathsWriteTheSameArchive)
{
    const Bytes big = Noise((3u << 20) + 5, 3), small = Noise(1000, 4);
    Source("sub/z.txt", "zz");
    WriteFile(Folder() + "/a.bin", small);
    WriteFile(Folder() + "/sub/big.bin", big);
    Bytes data(small);
    data.insert(data.end(), big.begin(), big.end());
    data.push_back('z');
    data.push_back('z');
    struct Row
    {
        const char* what;
        PboFlags flavour;
        size_t trailer; // bytes after the data
    };
    const Row rows[] = {
        {"cwc", Cwc, 0},    {"resistance", Resistance, 0}, {"arma without key", ArmaNoSha, 0},
        {"arma", Arma, 21}, {"elite", Elite, 5},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        Bytes written[2];
        for (bool loop : {false, true})
        {
            LoopCopyOnly only(loop);
            ASSERT_EQ(Build(row.flavour), 0);
            written[loop] = ReadFile(Archive());
        }
        EXPECT_EQ(written[0], written[1]);
        const Bytes& archive = written[0];
        ASSERT_GE(archive.size(), data.size() + row.trailer);
        const auto dataEnd = archive.end() - static_cast<long>(row.trailer);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), dataEnd - static_cast<long>(data.size())));
        if (row.flavour == Arma)
        {
            Sha1 sha;
            sha.UsePortable(true);
            sha.Update(archive.data(), archive.size() - 21);
            unsigned char digest[Sha1::DigestSize];
            sha.Final(digest);
            EXPECT_EQ(archive[archive.size() - 21], 0);
            EXPECT_TRUE(std::equal(digest, digest + Sha1::DigestSize, archive.end() - 20));
        }
    });
}
