// ostrel build through the tool: small mod projects made in the test built
// into @NAME, archives read back with the library, configs decoded, the
// cache's skips and rebuilds, thread-independent and reproducible bytes,
// failures that leave the old mod folder, signatures verified. Built where
// the tool has the command (toml++ found).
#ifdef OSTREL_MODBUILD
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "CliRun.h"
#include "support/ArchiveRead.h"
#include "support/Rows.h"

using clitest::Ostrel;
using testsupport::Bytes;
using testsupport::ProgramOutcome;
namespace fs = std::filesystem;

namespace
{
const char* const MainConfig = "#include \"\\z\\ace\\addons\\common\\script_macros.hpp\"\n"
                               "#include \"\\x\\cba\\main\\lib.hpp\"\n"
                               "class CfgPatches { class ADDON { units[] = {}; version = VERSION; }; };\n";

class ModBuildTest : public testsupport::FolderTest
{
protected:
    // Three addons (two by prefix file, one by the settings), an include
    // folder standing for another mod's macro library, one optional.
    void MakeProject()
    {
        Put("p/ostrel.toml", "name = \"ACE\"\nprefix = \"ace\"\nmainprefix = \"z\"\n");
        Put("p/addons/main/$PBOPREFIX$", "z\\ace\\addons\\main\n");
        Put("p/addons/main/config.cpp", MainConfig);
        Put("p/addons/main/functions/fn_a.sqf", "hint 'a';");
        Put("p/addons/common/$PBOPREFIX$", "z\\ace\\addons\\common\n");
        Put("p/addons/common/script_macros.hpp", "#define ADDON ace_main\n");
        Put("p/addons/common/config.cpp", "class CfgPatches { class ace_common { units[] = {}; }; };\n");
        Put("p/addons/common/data/m.rvmat", "ambient[] = {1,1,1,1};\n");
        Put("p/addons/common/data/art.psd", "layers");
        Put("p/addons/common/.notes", "hidden");
        Put("p/addons/settings/config.cpp", "#if __has_include(\"\\z\\ace\\addons\\main\\config.cpp\")\n"
                                            "class A {};\n#endif\n");
        Put("p/include/x/cba/main/lib.hpp", "#define VERSION 3\n#if __has_include(\"\\x\\cba\\main\\extra.hpp\")\n"
                                            "#include \"\\x\\cba\\main\\extra.hpp\"\n#endif\n");
        Put("p/optionals/extra/config.cpp", "class CfgPatches { class ace_extra { units[] = {}; }; };\n");
        Put("p/mod.cpp", "name = \"ACE\";\nlogo = \"logo.paa\";\n");
        Put("p/logo.paa", "logo");
        Put("p/LICENSE", "licence");
        Put("p/notes.txt", "not copied");
    }
    ProgramOutcome Build(std::vector<std::string> extra = {}, const testsupport::Launch& launch = {})
    {
        std::vector<std::string> arguments = {"build", Path("p"), "-q"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Ostrel(arguments, launch);
    }
    nlohmann::json BuildJson(std::vector<std::string> extra = {})
    {
        extra.push_back("--json");
        const ProgramOutcome run = Build(extra);
        EXPECT_EQ(run.status, 0) << run.err;
        return nlohmann::json::parse(run.out, nullptr, false);
    }
    std::string Mod(const std::string& rest = "") const { return "p/.ostrel/build/@ACE" + rest; }
    // The addons a run built (not taken over), by folder.
    static std::vector<std::string> Built(const nlohmann::json& report)
    {
        std::vector<std::string> built;
        for (const auto& addon : report["addons"])
        {
            if (!addon["skipped"].get<bool>())
                built.push_back(addon["folder"]);
        }
        return built;
    }
    // Rewrites a file with a later modification time.
    void Touch(const std::string& name, const std::string& text)
    {
        Put(name, text);
        fs::last_write_time(Path(name), fs::last_write_time(Path(name)) + std::chrono::seconds(5));
    }
};

std::vector<std::string> Names(const testsupport::ArchiveContents& contents)
{
    return contents.names;
}
} // namespace

TEST_F(ModBuildTest, BuildsEveryAddonIntoTheModFolder)
{
    MakeProject();
    const ProgramOutcome run = Build();
    ASSERT_EQ(run.status, 0) << run.err;
    struct Row
    {
        const char* archive;
        const char* prefix;
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {"addons/ace_main.pbo", "z\\ace\\addons\\main", {"$PBOPREFIX$", "config.bin", "functions\\fn_a.sqf"}},
        {"addons/ace_common.pbo",
         "z\\ace\\addons\\common",
         {"$PBOPREFIX$", "config.bin", "data\\m.rvmat", "script_macros.hpp"}},
        // No prefix file: the settings give z\ace\addons\settings; the
        // __has_include file stays text.
        {"addons/ace_settings.pbo", "z\\ace\\addons\\settings", {"config.cpp"}},
        {"optionals/ace_extra.pbo", "z\\ace\\addons\\extra", {"config.bin"}},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        const testsupport::ArchiveContents contents = testsupport::ReadBack(Path(Mod("/") + row.archive));
        ASSERT_EQ(contents.opened, 0);
        EXPECT_EQ(contents.product, row.prefix);
        EXPECT_EQ(Names(contents), row.names);
    });
    const testsupport::ArchiveContents main = testsupport::ReadBack(Path(Mod("/addons/ace_main.pbo")));
    ASSERT_EQ(main.data.size(), 3u);
    const std::string text = clitest::LibraryText(main.data[1], "config");
    EXPECT_NE(text.find("version = 3;"), std::string::npos) << text;
    EXPECT_NE(text.find("class ace_main"), std::string::npos) << text;
    const testsupport::ArchiveContents common = testsupport::ReadBack(Path(Mod("/addons/ace_common.pbo")));
    ASSERT_EQ(common.data.size(), 4u);
    EXPECT_EQ(std::string(common.data[2].begin(), common.data[2].begin() + 4), std::string("\0raP", 4));
    EXPECT_EQ(Text(Mod("/mod.cpp")), Text("p/mod.cpp"));
    EXPECT_EQ(Text(Mod("/logo.paa")), "logo");
    EXPECT_EQ(Text(Mod("/LICENSE")), "licence");
    EXPECT_FALSE(Exists(Mod("/notes.txt")));
    ExpectNoLeftovers();
    EXPECT_EQ(Listing("p/.ostrel/build"), std::vector<std::string>{"@ACE"});

    // --no-binarise packs every file as it is.
    ASSERT_EQ(Build({"--no-binarise", "-o", Path("text")}).status, 0);
    EXPECT_EQ(Names(testsupport::ReadBack(Path("text/@ACE/addons/ace_main.pbo"))),
              (std::vector<std::string>{"$PBOPREFIX$", "config.cpp", "functions\\fn_a.sqf"}));
}

TEST_F(ModBuildTest, NamesComeFromPrefixFilesAndSettings)
{
    struct Row
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        const char* archive; // below the output folder; empty: the build fails
        const char* message; // in standard error when it fails
    };
    const std::vector<Row> rows = {
        {"prefix file alone", {{"addons/core/$PBOPREFIX$", "x\\tac\\addons\\core"}}, "@tac/addons/tac_core.pbo", ""},
        {"prefix= line",
         {{"addons/core/$PBOPREFIX$", "prefix=x\\tac\\addons\\core\n"}},
         "@tac/addons/tac_core.pbo",
         ""},
        {"settings in the project folder's older file",
         {{".hemtt/project.toml", "name = \"Tac Mod\"\nprefix = \"tm\"\n[files]\nexclude = [\"*.txt\"]\n"}},
         "@Tac Mod/addons/tm_core.pbo",
         ""},
        {"ostrel.toml wins",
         {{".hemtt/project.toml", "prefix = \"old\"\n"}, {"ostrel.toml", "prefix = \"new\"\n"}},
         "@new/addons/new_core.pbo",
         ""},
        {"settings prefix beside a prefix file",
         {{"ostrel.toml", "prefix = \"pp\"\n"}, {"addons/core/$PBOPREFIX$", "a\\b\\c\\core2"}},
         "@pp/addons/pp_core2.pbo",
         ""},
        {"no prefix at all", {}, "", "addons/core: no prefix"},
        {"project prefix that climbs out",
         {{"ostrel.toml", "name = \"m\"\nprefix = \"..\\\\..\\\\up\"\n"}},
         "",
         "cannot begin an archive name"},
        {"mod name that climbs out", {{"ostrel.toml", "name = \"..\"\nprefix = \"m\"\n"}}, "", "cannot name a folder"},
        {"malformed settings", {{"ostrel.toml", "name = \"a\"\nprefix = = 3\n"}}, "", "ostrel.toml:2:"},
        {"wrong type", {{"ostrel.toml", "\nname = 5\n"}}, "", "ostrel.toml:2:"},
        {"two addons, one archive",
         {{"addons/core/$PBOPREFIX$", "x\\a\\same"},
          {"addons/other/$PBOPREFIX$", "x\\a\\same"},
          {"addons/other/a.txt", "a"}},
         "",
         "also the archive of addons/core"},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        fs::remove_all(Path("p"));
        Put("p/addons/core/fn.sqf", "hint '';");
        for (const auto& file : row.files)
            Put("p/" + file.first, file.second);
        const ProgramOutcome run = Ostrel({"build", Path("p"), "-o", Path("p/out"), "-q"});
        if (!*row.archive)
        {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
            EXPECT_FALSE(Exists("p/out/" + std::string(row.archive)));
            return;
        }
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Exists("p/out/" + std::string(row.archive)));
    });
}

TEST_F(ModBuildTest, ExcludesAndHiddenFilesAreNeverPacked)
{
    struct Row
    {
        const char* what;
        const char* excludes; // the settings' [files] exclude
        std::vector<std::string> names;
    };
    const std::vector<Row> rows = {
        {"defaults", "[]", {"$PBOPREFIX$", "data\\a.paa", "data\\b.txt", "x.hpp"}},
        {"by name anywhere", "[\"*.txt\"]", {"$PBOPREFIX$", "data\\a.paa", "x.hpp"}},
        {"a folder", "[\"addons/core/data\"]", {"$PBOPREFIX$", "x.hpp"}},
        {"double star", "[\"addons/**/a.*\"]", {"$PBOPREFIX$", "data\\b.txt", "x.hpp"}},
        {"single star stays in a folder", "[\"addons/*.paa\"]", {"$PBOPREFIX$", "data\\a.paa", "data\\b.txt", "x.hpp"}},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        fs::remove_all(Path("p"));
        Put("p/ostrel.toml", std::string("prefix = \"m\"\n[files]\nexclude = ") + row.excludes + "\n");
        Put("p/addons/core/$PBOPREFIX$", "x\\m\\core");
        Put("p/addons/core/x.hpp", "x");
        Put("p/addons/core/data/a.paa", "a");
        Put("p/addons/core/data/b.txt", "b");
        Put("p/addons/core/data/c.psd", "c");
        Put("p/addons/core/Thumbs.db", "t");
        Put("p/addons/core/.hidden", "h");
        Put("p/addons/core/.git/HEAD", "g");
        ASSERT_EQ(Ostrel({"build", Path("p"), "-q"}).status, 0);
        EXPECT_EQ(Names(testsupport::ReadBack(Path("p/.ostrel/build/@m/addons/m_core.pbo"))), row.names);
    });
}

TEST_F(ModBuildTest, FailedAddonLeavesTheOldModFolder)
{
    MakeProject();
    ASSERT_EQ(Build().status, 0);
    const Bytes before = Read(Mod("/addons/ace_main.pbo"));
    Touch("p/addons/main/config.cpp", "class CfgPatches {};\n#include \"nothere.hpp\"\n");
    Touch("p/optionals/extra/config.cpp", "class B {\n\n  y[] = {1,\n");
    const ProgramOutcome run = Build();
    EXPECT_EQ(run.status, 1);
    // Every failure is reported, with its file and line.
    EXPECT_NE(run.err.find("addons/main/config.cpp:2:"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("optionals/extra: config.cpp does not compile"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 of 4 addons failed"), std::string::npos) << run.err;
    EXPECT_EQ(Read(Mod("/addons/ace_main.pbo")), before);
    ExpectNoLeftovers();
    for (const std::string& name : Listing("p/.ostrel/build"))
        EXPECT_EQ(name, "@ACE");
}

TEST_F(ModBuildTest, LinksInTheWorkFolderAreRefused)
{
    MakeProject();
    const std::vector<const char*> links = {".ostrel", ".ostrel/build", ".ostrel/keys"};
    testsupport::CheckRows(links, [&](const char* link) {
        fs::remove_all(Path("p/.ostrel"));
        fs::remove_all(Path("elsewhere"));
        fs::create_directories(Path("elsewhere"));
        fs::create_directories(fs::path(Path("p/" + std::string(link))).parent_path());
        fs::create_directory_symlink(Path("elsewhere"), Path("p/" + std::string(link)));
        const ProgramOutcome run = Build();
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("is a link"), std::string::npos) << run.err;
        EXPECT_TRUE(Listing("elsewhere").empty());
    });
}

TEST_F(ModBuildTest, SecondRunSkipsAndChangesRebuildOnlyTheirAddons)
{
    MakeProject();
    const nlohmann::json first = BuildJson();
    EXPECT_EQ(first["built"], 4);
    const Bytes main = Read(Mod("/addons/ace_main.pbo"));
    struct Row
    {
        const char* what;
        const char* file; // rewritten (empty: nothing changed)
        const char* text;
        std::vector<std::string> built;
        bool remove = false; // the file or folder is removed instead
    };
    const std::vector<Row> rows = {
        {"nothing changed", "", "", {}},
        {"touched, same bytes", "p/addons/main/functions/fn_a.sqf", "hint 'a';", {}},
        {"a file of one addon", "p/addons/main/functions/fn_a.sqf", "hint 'b';", {"addons/main"}},
        {"a header that __has_include now finds",
         "p/include/x/cba/main/extra.hpp",
         "#define VERSION 5\n",
         {"addons/main"}},
        {"a header in include/", "p/include/x/cba/main/lib.hpp", "#define VERSION 4\n", {"addons/main"}},
        // The project's own folder is mounted before include/.
        {"a header that now shadows another", "p/x/cba/main/lib.hpp", "#define VERSION 6\n", {"addons/main"}},
        {"the shadowing header removed", "p/x", "", {"addons/main"}, true},
        {"a header of another addon",
         "p/addons/common/script_macros.hpp",
         "#define ADDON ace_x\n",
         {"addons/common", "addons/main"}},
        {"a new file", "p/optionals/extra/new.sqf", "x", {"optionals/extra"}},
        {"the settings",
         "p/ostrel.toml",
         "name = \"ACE\"\nprefix = \"ace\"\nmainprefix = \"z\"\n[version]\nmajor = 2\n",
         {"addons/common", "addons/main", "addons/settings", "optionals/extra"}},
        // The mounts change: the addons whose configs include by game path
        // are built again.
        {"an addon added", "p/addons/added/$PBOPREFIX$", "z\\ace\\addons\\added\n", {"addons/added", "addons/main"}},
        {"an addon removed", "p/addons/added", "", {"addons/main"}, true},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        if (row.remove)
            fs::remove_all(Path(row.file));
        else if (*row.file)
            Touch(row.file, row.text);
        const nlohmann::json report = BuildJson();
        EXPECT_EQ(Built(report), row.built);
        EXPECT_EQ(report["skipped"].get<size_t>() + row.built.size(), report["addons"].size());
        // Addons taken over are still in the new mod folder.
        for (const char* archive : {"addons/ace_common.pbo", "addons/ace_settings.pbo", "optionals/ace_extra.pbo"})
            EXPECT_TRUE(Exists(Mod("/") + archive)) << archive;
    });
    EXPECT_NE(Read(Mod("/addons/ace_main.pbo")), main);
    const std::string text =
        clitest::LibraryText(testsupport::ReadBack(Path(Mod("/addons/ace_main.pbo"))).data[1], "config");
    EXPECT_NE(text.find("version = 4;"), std::string::npos) << text;
    EXPECT_NE(text.find("class ace_x"), std::string::npos) << text;
}

TEST_F(ModBuildTest, BytesDependOnNeitherThreadsNorRuns)
{
    MakeProject();
    Put("p/addons/main/stamp.rvmat", "stamp = __DATE_STR__;\n");
    for (int i = 0; i < 12; ++i)
        Put("p/addons/many" + std::to_string(i) + "/$PBOPREFIX$", "z\\ace\\addons\\many" + std::to_string(i));
    testsupport::Launch epoch;
    epoch.environment = {"SOURCE_DATE_EPOCH=1700000000"};
    ASSERT_EQ(Build({"-j", "1", "--reproducible", "-o", Path("one")}, epoch).status, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    ASSERT_EQ(Build({"-j", "4", "--reproducible", "-o", Path("four")}, epoch).status, 0);
    for (const std::string group : {"addons", "optionals"})
    {
        const std::vector<std::string> names = Listing("one/@ACE/" + group);
        ASSERT_EQ(names, Listing("four/@ACE/" + group));
        for (const std::string& name : names)
            EXPECT_EQ(Read("one/@ACE/" + group + "/" + name), Read("four/@ACE/" + group + "/" + name)) << name;
    }
    const testsupport::ArchiveContents main = testsupport::ReadBack(Path("one/@ACE/addons/ace_main.pbo"));
    ASSERT_EQ(main.names.size(), 4u);
    // Every entry's time stamp is the epoch (1700000000, little-endian).
    const Bytes bytes = Read("one/@ACE/addons/ace_main.pbo");
    const Bytes stamp = {0x00, 0xF1, 0x53, 0x65};
    size_t stamps = 0;
    for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), stamp.begin(), stamp.end())) != bytes.end(); ++at)
        ++stamps;
    EXPECT_EQ(stamps, 4u);
    EXPECT_NE(clitest::LibraryText(main.data[3], "stamp").find("2023/11/14, 22:13:20"), std::string::npos)
        << clitest::LibraryText(main.data[3], "stamp");
    // Without --reproducible, -j alone changes nothing either.
    ASSERT_EQ(Build({"-j", "1", "-o", Path("plain1")}).status, 0);
    ASSERT_EQ(Build({"-j", "3", "-o", Path("plain3")}).status, 0);
    EXPECT_EQ(Read("plain1/@ACE/addons/ace_common.pbo"), Read("plain3/@ACE/addons/ace_common.pbo"));
}

#ifdef OSTREL_SIGN
TEST_F(ModBuildTest, SignedModVerifies)
{
    MakeProject();
    Put("keys/.keep", "");
    ASSERT_EQ(Ostrel({"keygen", "me", "-o", Path("keys"), "-q"}).status, 0);
    ASSERT_EQ(Build({"--key", Path("keys/me.biprivatekey")}).status, 0);
    EXPECT_EQ(Read(Mod("/keys/me.bikey")), Read("keys/me.bikey"));
    EXPECT_TRUE(Exists(Mod("/addons/ace_main.pbo.me.bisign")));
    EXPECT_TRUE(Exists(Mod("/optionals/ace_extra.pbo.me.bisign")));
    const ProgramOutcome verified = Ostrel({"verify", "--mod", Path(Mod())});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    // A rebuild after a change keeps every signature valid.
    Touch("p/addons/main/functions/fn_a.sqf", "hint 'c';");
    ASSERT_EQ(Build({"--key", Path("keys/me.biprivatekey")}).status, 0);
    EXPECT_EQ(Ostrel({"verify", "--mod", Path(Mod())}).status, 0);

    // An authority's key is made once, kept outside the mod, and reused.
    ASSERT_EQ(Build({"--authority", "team", "-o", Path("team")}).status, 0);
    const Bytes kept = Read("p/.ostrel/keys/team.biprivatekey");
    Touch("p/addons/main/functions/fn_a.sqf", "hint 'd';");
    ASSERT_EQ(Build({"--authority", "team", "-o", Path("team")}).status, 0);
    EXPECT_EQ(Read("p/.ostrel/keys/team.biprivatekey"), kept);
    EXPECT_EQ(Listing("team/@ACE/keys"), std::vector<std::string>{"team.bikey"});
    EXPECT_EQ(Ostrel({"verify", "--mod", Path("team/@ACE")}).status, 0);
}
#endif
#endif
