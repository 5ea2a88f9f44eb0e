// The parts of ostrel build on their own: glob patterns, the content hash,
// settings texts, prefixes and archive names, the image names of mod.cpp,
// the cache file and its change test, the lookups' change test.
#ifdef OSTREL_MODBUILD
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "cli/modbuild/Addons.h"
#include "cli/modbuild/BuildCache.h"
#include "cli/modbuild/ContentHash.h"
#include "cli/modbuild/Glob.h"
#include "cli/modbuild/Lookups.h"
#include "cli/modbuild/ModFiles.h"
#include "cli/modbuild/Settings.h"
#include "support/FolderTest.h"
#include "support/Rows.h"

using namespace cli::modbuild;
namespace fs = std::filesystem;

TEST(ModBuildParts, GlobPatterns)
{
    struct Row
    {
        const char* pattern;
        const char* path;
        bool matches;
        std::string Label() const { return std::string(pattern) + " ~ " + path; }
    };
    const std::vector<Row> rows = {
        {"*.psd", "addons/a/data/x.psd", true},
        {"*.PSD", "addons/a/data/x.psd", true},
        {"*.psd", "addons/a/data/x.psd.bak", false},
        {"thumbs.db", "addons/Thumbs.db", true},
        {"data", "addons/a/data", true},
        {"addons/*.paa", "addons/a/x.paa", false},
        {"addons/*/x.paa", "addons/a/x.paa", true},
        {"addons/**/x.paa", "addons/x.paa", true},
        {"addons/**/x.paa", "addons/a/b/c/x.paa", true},
        {"addons/**", "addons/a/b", true},
        {"**/*.txt", "a.txt", true},
        {"a?c", "abc", true},
        {"a?c", "a/c", false},
        {"/addons/a", "addons/a", true},
        {"./addons/a/", "addons/a", true},
        {"", "anything", false},
        {"a*b*c*d", "aXbXcXd", true},
        {"a*b*c*d", "aXbXcX/d", false},
        {"**/x/**/y", "1/x/2/y", true},
        {"**x**y", "1/x/2/y", false}, // no "/": the last name alone
    };
    testsupport::CheckRows(rows, [](const Row& row) { EXPECT_EQ(GlobMatches(row.pattern, row.path), row.matches); });
    // A folder that matches takes everything below it.
    EXPECT_TRUE(AnyGlobMatches({".git"}, "addons/a/.git/objects/x"));
    EXPECT_FALSE(AnyGlobMatches({".git"}, "addons/a/x.git"));
    // A long name with many stars costs its length times the pattern's.
    EXPECT_FALSE(GlobMatches("*a*a*a*a*a*a*a*b", std::string(20000, 'a')));
}

TEST(ModBuildParts, ContentHash)
{
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += static_cast<char>(i * 7);
    const uint64_t whole = HashBytes(text.data(), text.size());
    // Pieces of any size give the hash of the whole.
    for (size_t piece : {1u, 3u, 8u, 13u, 999u})
    {
        ContentHash hash;
        for (size_t at = 0; at < text.size(); at += piece)
            hash.Update(text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(hash.Final(), whole) << piece;
    }
    // One changed bit, a moved byte, a trailing zero: another hash.
    std::string flipped = text;
    flipped[500] ^= 1;
    EXPECT_NE(HashBytes(flipped.data(), flipped.size()), whole);
    EXPECT_NE(HashBytes(text.data() + 1, text.size() - 1), whole);
    EXPECT_NE(HashBytes("", 0), HashBytes("\0", 1));
    uint64_t back = 0;
    EXPECT_EQ(HexOf(0x0123456789abcdefull), "0123456789abcdef");
    EXPECT_TRUE(ParseHex(HexOf(whole), back));
    EXPECT_EQ(back, whole);
    EXPECT_FALSE(ParseHex("0123456789abcdeg", back));
    EXPECT_FALSE(ParseHex("123", back));
}

TEST(ModBuildParts, SettingsTexts)
{
    struct Row
    {
        const char* what;
        const char* text;
        const char* error; // start of the error after "f.toml:"; empty: read
        const char* fingerprint;
        size_t warnings;
    };
    const std::vector<Row> rows = {
        {"every key",
         "name = \"N\"\nprefix = \"p\"\nmainprefix = \"z\"\n[files]\ninclude = [\"a\"]\nexclude = \"*.x\"\n"
         "[version]\nminor = 2\nmajor = 1\n",
         "", "name=N\nprefix=p\nmainprefix=z\ninclude=a\nexclude=*.x\nversion.major=1\nversion.minor=2\n", 0},
        {"unknown keys warn", "author = \"x\"\n[launch.default]\nx = 1\n[files]\nother = 1\n", "",
         "name=\nprefix=\nmainprefix=\n", 3},
        {"malformed", "name = \"a\"\n\nprefix = [\n", "3:", "", 0},
        {"not a string", "name = 1\n", "1:8: name: expected a string", "", 0},
        {"excludes not strings", "[files]\nexclude = [1]\n", "2:", "", 0},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        ProjectSettings settings;
        std::string error;
        const bool read = ReadSettingsText(row.text, "f.toml", settings, error);
        EXPECT_EQ(read, !*row.error) << error;
        if (!read)
        {
            EXPECT_EQ(error.compare(0, 7 + std::strlen(row.error), std::string("f.toml:") + row.error), 0) << error;
            return;
        }
        EXPECT_EQ(settings.Fingerprint(), row.fingerprint);
        EXPECT_EQ(settings.warnings.size(), row.warnings);
    });
    // A second file overrides key by key.
    ProjectSettings settings;
    std::string error;
    ASSERT_TRUE(ReadSettingsText("name = \"a\"\nprefix = \"b\"\n", "one", settings, error));
    ASSERT_TRUE(ReadSettingsText("prefix = \"c\"\n", "two", settings, error));
    EXPECT_EQ(settings.name, "a");
    EXPECT_EQ(settings.prefix, "c");
}

TEST(ModBuildParts, PrefixesAndArchiveNames)
{
    struct Row
    {
        const char* projectPrefix;
        const char* prefix;
        const char* clean;
        const char* archive;
    };
    const std::vector<Row> rows = {
        {"ace", "z\\ace\\addons\\main", "z\\ace\\addons\\main", "ace_main.pbo"},
        {"ace", "\\z/ace/addons/main/", "z\\ace\\addons\\main", "ace_main.pbo"},
        {"cba", "x\\cba\\addons\\\\xeh", "x\\cba\\addons\\\\xeh", "cba_xeh.pbo"},
        {"", "solo", "solo", "solo.pbo"},
        {"m", "\\\\", "", "m_.pbo"},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        EXPECT_EQ(CleanPrefix(row.prefix), row.clean);
        EXPECT_EQ(ArchiveName(row.projectPrefix, row.prefix), row.archive);
    });
    EXPECT_EQ(PrefixFolders("\\z\\\\ace\\addons\\"), (std::vector<std::string>{"z", "ace", "addons"}));
}

TEST(ModBuildParts, ImagesNamedByModFiles)
{
    struct Row
    {
        const char* text;
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {"name = \"Mod\";\nlogo = \"logo.paa\";\n", {"logo.paa"}},
        {"picture = \"\\data\\pic.PNG\"; logoOver = \"a.jpg\"; x = \"b.jpeg\";", {"data/pic.PNG", "a.jpg", "b.jpeg"}},
        {"overview = \"text with .paa inside\"; tooltip = \"x.paa.txt\";", {}},
        {"logo = \"unclosed.paa;", {}},
    };
    testsupport::CheckRows(rows, [](const Row& row) { EXPECT_EQ(NamedImages(row.text), row.names); });
}

class ModBuildCacheTest : public testsupport::FolderTest
{
};

TEST_F(ModBuildCacheTest, SavedCacheReadsBackAndTellsChanges)
{
    const std::string project = Path("p");
    Put("p/addons/a/x%odd\nname.sqf", "one");
    AddonRecord record;
    record.key = "addons/a";
    record.fingerprint = "00000000000000ff";
    FileRecord member;
    member.path = "addons/a/x%odd\nname.sqf";
    member.size = 3;
    member.time = fs::last_write_time(Path("p/addons/a/x%odd\nname.sqf")).time_since_epoch().count();
    member.hash = HashBytes("one", 3);
    record.members.push_back(member);
    record.outputs.push_back({"addons/p_a.pbo", 10, -5, 0});
    record.mounts = "0123456789abcdef";
    record.missed = {Path("p/include/x/odd%\nmissing.hpp"), Path("p/x/y.hpp")};
    BuildCache cache;
    cache.Put(record);
    std::string error;
    ASSERT_TRUE(cache.Save(Path("p/.ostrel/cache"), error)) << error;

    BuildCache loaded;
    loaded.Load(Path("p/.ostrel/cache"));
    const AddonRecord* back = loaded.Find("addons/a");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->fingerprint, record.fingerprint);
    ASSERT_EQ(back->members.size(), 1u);
    EXPECT_EQ(back->members[0].path, member.path);
    EXPECT_EQ(back->members[0].hash, member.hash);
    ASSERT_EQ(back->outputs.size(), 1u);
    EXPECT_EQ(back->outputs[0].time, -5);
    EXPECT_EQ(back->mounts, record.mounts);
    EXPECT_EQ(back->missed, record.missed);

    // Same bytes with a new time: unchanged, and the record takes the time.
    FileRecord input = back->members[0];
    fs::last_write_time(Path("p/addons/a/x%odd\nname.sqf"),
                        fs::last_write_time(Path("p/addons/a/x%odd\nname.sqf")) + std::chrono::seconds(3));
    EXPECT_TRUE(InputUnchanged(project, input));
    EXPECT_NE(input.time, member.time);
    Put("p/addons/a/x%odd\nname.sqf", "two");
    EXPECT_FALSE(InputUnchanged(project, input));
    fs::remove(Path("p/addons/a/x%odd\nname.sqf"));
    EXPECT_FALSE(InputUnchanged(project, input));

    // A damaged cache is an empty one.
    for (const char* text : {"ostrel build cache 2\nmember 1 2 zz x\n", "other header\n",
                             "ostrel build cache 2\naddon a\nmember 1 2 0000000000000001\nend\n",
                             "ostrel build cache 2\nmissed x\naddon a\nend\n",
                             // The older layout knew nothing of lookups that found nothing.
                             "ostrel build cache 1\naddon a\nfingerprint 00\nend\n"})
    {
        Put("p/.ostrel/cache", text);
        loaded.Load(Path("p/.ostrel/cache"));
        EXPECT_EQ(loaded.Size(), 0u) << text;
    }
}

TEST_F(ModBuildCacheTest, LookupsTellAddedFilesAndChangedMounts)
{
    Put("p/include/Macros.hpp", "x");
    struct Row
    {
        const char* what;
        std::string path;
        bool missing;
    };
    const std::vector<Row> rows = {
        {"no such file", Path("p/include/other.hpp"), true},
        {"no such folder", Path("p/none/other.hpp"), true},
        {"the file itself", Path("p/include/Macros.hpp"), false},
        {"another letter case", Path("p/include/macros.HPP"), false},
    };
    testsupport::CheckRows(rows, [](const Row& row) { EXPECT_EQ(StillMissing(row.path), row.missing); });

    const std::vector<RapifyMount> mounts = {{"z\\a", Path("p/a")}, {"", Path("p")}};
    const std::vector<std::vector<RapifyMount>> others = {
        {{"", Path("p")}, {"z\\a", Path("p/a")}},                        // another order
        {{"z\\a", Path("p/a")}},                                         // one removed
        {{"z\\a", Path("p/a")}, {"", Path("p")}, {"z\\b", Path("p/b")}}, // one added
        {{"z\\c", Path("p/a")}, {"", Path("p")}},                        // another prefix
    };
    EXPECT_EQ(MountsFingerprint(mounts), MountsFingerprint(mounts));
    for (const auto& other : others)
        EXPECT_NE(MountsFingerprint(other), MountsFingerprint(mounts));
}
#endif
