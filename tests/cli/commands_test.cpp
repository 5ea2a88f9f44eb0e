// The ostrel tool run as built: exit statuses and both streams, the listing
// (text and JSON), cat and derap.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/RapBytes.h"

using namespace testsupport;
using clitest::LibraryText;
using clitest::Ostrel;

namespace
{
class CommandsTest : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
        TestEntry a = StoredEntry("a.txt", "hello");
        a.timestamp = 1700000000;
        packed = TextLike(300, 7);
        TestEntry c = CompressedEntry("data\\c.bin", packed);
        TestEntry config{"config.bin", ArmaBytes(RapClass().Value("version", RapValue::Int(3)))};
        TestEntry latin = StoredEntry("\xE9t\xE9.txt", "");
        Bytes residual;
        for (unsigned char i = 0; i < 21; ++i)
            residual.push_back(i);
        archive = Put("mod.pbo", MakeArchive({a, c, config, latin}, "prefix", "my\\mod", residual));
        packedSize = c.data.size();
    }

    Bytes packed;
    size_t packedSize = 0;
    std::string archive;
};

const std::string VersionConfig = "#define _ARMA_\r\n\r\n\r\n//Class config.bin{\r\nversion = 3;\r\n//};\r\n";
} // namespace

TEST_F(CommandsTest, ExitStatusesAndStreams)
{
    struct Row
    {
        std::vector<std::string> arguments;
        int status;
        std::string out;     // exact standard output
        std::string errPart; // part of standard error ("" = empty)
    };
    const std::string missing = Path("missing.pbo");
    const std::vector<Row> rows = {
        {{}, 2, "", "A subcommand is required"},
        {{"--version"}, 0, "ostrel 1.55 (library 1.55)\n", ""},
        {{"frobnicate"}, 2, "", "ostrel: no command frobnicate"},
        {{"list"}, 2, "", "ARCHIVE is required"},
        {{"list", archive, "--bogus"}, 2, "", "--bogus"},
        {{"list", missing}, 1, "", "ostrel: " + missing + ": Ostrel No File opened\n"},
        {{"cat", archive, "nothing.txt"}, 1, "", "ostrel: " + archive + ": no entry nothing.txt\n"},
        {{"cat", archive, "a.txt"}, 0, "hello", ""},
        {{"extract", archive, archive, "-o", Path("x")}, 2, "", "-o names the folder of a single archive"},
        {{"help", "nothing"}, 2, "", "ostrel help: no command nothing"},
        {{"patch", archive}, 2, "", "expected [option] PATCH TARGET"},
        {{"patch", "-x", archive, archive}, 2, "", "expected [option] PATCH TARGET"},
        {{"derap"}, 2, "", "FILE is required"},
    };
    for (const Row& row : rows)
    {
        const clitest::ProgramOutcome run = Ostrel(row.arguments);
        const std::string shown = row.arguments.empty() ? "(none)" : row.arguments[0];
        EXPECT_EQ(run.status, row.status) << shown << run.err;
        EXPECT_EQ(run.out, row.out) << shown;
        if (row.errPart.empty())
            EXPECT_EQ(run.err, "") << shown;
        else
            EXPECT_NE(run.err.find(row.errPart), std::string::npos) << shown << ": " << run.err;
    }
}

TEST_F(CommandsTest, HelpNamesEveryCommandAndItsOptions)
{
    const clitest::ProgramOutcome all = Ostrel({"--help"});
    EXPECT_EQ(all.status, 0);
    for (const char* command : {"list", "cat", "extract", "pack", "patch", "derap", "rapify", "check", "help"})
        EXPECT_NE(all.out.find(command), std::string::npos) << command;
    EXPECT_EQ(Ostrel({"help"}).out, all.out);
    const std::vector<std::pair<std::string, std::string>> options = {
        {"list", "--json"},      {"cat", "--text"},       {"extract", "--force"},
        {"extract", "--derap"},  {"patch", "-A[PREFIX]"}, {"derap", "--offsets"},
        {"pack", "--keep-text"}, {"rapify", "--layout"},  {"check", "--jobs"}};
    for (const auto& option : options)
    {
        const clitest::ProgramOutcome help = Ostrel({"help", option.first});
        const clitest::ProgramOutcome flag = Ostrel({option.first, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, flag.out) << option.first;
        EXPECT_NE(help.out.find(option.second), std::string::npos) << option.first;
    }
}

TEST_F(CommandsTest, ListShowsFlavourProductResidualAndEntries)
{
    const clitest::ProgramOutcome run = Ostrel({"list", archive});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    char packedRow[128];
    std::snprintf(packedRow, sizeof packedRow, "%10zu        300  packed  -                    data\\c.bin\n",
                  packedSize);
    const size_t configSize = ArmaBytes(RapClass().Value("version", RapValue::Int(3))).size();
    const std::string expected = "Archive:  " + archive +
                                 "\nFlavour:  Arma\nProduct:  \"prefix\" \"my\\mod\"\n"
                                 "Residual: 000102030405060708090A0B0C0D0E0F1011121314\n"
                                 "Entries:  4, " +
                                 std::to_string(5 + packedSize + configSize) +
                                 " bytes stored\n\n"
                                 "    Stored   Unpacked  Method  Date                 Name\n"
                                 "         5          5  stored  2023-11-14 22:13:20  a.txt\n" +
                                 packedRow + "        " + std::to_string(configSize) + "         " +
                                 std::to_string(configSize) +
                                 "  stored  -                    config.bin\n"
                                 "         0          0  stored  -                    \xE9t\xE9.txt\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(CommandsTest, ListJsonIsReadByAJsonReader)
{
    const clitest::ProgramOutcome run = Ostrel({"list", "--json", archive});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json document = nlohmann::json::parse(run.out);
    EXPECT_EQ(document["archive"], archive);
    EXPECT_EQ(document["flavour"], "arma");
    EXPECT_EQ(document["flavourCode"], 64);
    EXPECT_EQ(document["product"]["type"], "prefix");
    EXPECT_EQ(document["product"]["name"], "my\\mod");
    EXPECT_EQ(document["residual"], "000102030405060708090A0B0C0D0E0F1011121314");
    EXPECT_EQ(document["strangeValues"], false);
    const nlohmann::json& entries = document["entries"];
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0]["name"], "a.txt");
    EXPECT_EQ(entries[0]["date"], "2023-11-14 22:13:20");
    EXPECT_EQ(entries[0]["timestamp"], 1700000000u);
    EXPECT_EQ(entries[1]["name"], "data\\c.bin");
    EXPECT_EQ(entries[1]["packed"], true);
    EXPECT_EQ(entries[1]["storedSize"], packedSize);
    EXPECT_EQ(entries[1]["unpackedSize"], 300);
    EXPECT_TRUE(entries[1]["date"].is_null());
    // A name that is not UTF-8 is read as Latin-1; its bytes stay available.
    EXPECT_EQ(entries[3]["name"], "\xC3\xA9t\xC3\xA9.txt");
    EXPECT_EQ(entries[3]["nameHex"], "E974E92E747874");
    EXPECT_FALSE(entries[0].contains("nameHex"));
}

TEST_F(CommandsTest, CatWritesUnpackedBytesOrDecodedText)
{
    const Bytes config = ArmaBytes(RapClass().Value("version", RapValue::Int(3)));
    ASSERT_EQ(LibraryText(config, "config.bin"), VersionConfig);
    struct Row
    {
        std::vector<std::string> arguments;
        std::string out;
    };
    const std::vector<Row> rows = {
        {{"A.TXT"}, "hello"},
        {{"a.txt", "--text"}, "hello"},
        {{"data/c.bin"}, std::string(packed.begin(), packed.end())},
        {{"data\\C.BIN"}, std::string(packed.begin(), packed.end())},
        {{"config.bin"}, std::string(config.begin(), config.end())},
        {{"config.bin", "--text"}, VersionConfig},
        {{"\xE9t\xE9.txt"}, ""},
    };
    for (const Row& row : rows)
    {
        std::vector<std::string> arguments = {"cat", archive};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const clitest::ProgramOutcome run = Ostrel(arguments);
        EXPECT_EQ(run.status, 0) << row.arguments[0] << run.err;
        EXPECT_EQ(run.out, row.out) << row.arguments[0];
    }
}

TEST_F(CommandsTest, CatOfADamagedEntryFailsWithTheReadersMessage)
{
    TestEntry bad = CompressedEntry("bad.bin", TextLike(100, 1));
    bad.data.back() ^= 1; // checksum
    const std::string damaged = Put("bad.pbo", MakeArchive({bad}));
    const clitest::ProgramOutcome run = Ostrel({"cat", damaged, "bad.bin"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "ostrel: " + damaged + ": bad.bin: Ostrel compression checksum\n");
}

TEST_F(CommandsTest, DerapWritesTextToStandardOutputOrAFile)
{
    const std::string config = Put("config.bin", ArmaBytes(RapClass().Value("version", RapValue::Int(3))));
    struct Row
    {
        std::vector<std::string> options;
        std::string text;
    };
    const std::string pragma = "#pragma" + VersionConfig.substr(7);
    const std::vector<Row> rows = {{{}, VersionConfig}, {{"--pragma"}, pragma}, {{"-o", "-"}, VersionConfig}};
    for (const Row& row : rows)
    {
        std::vector<std::string> arguments = {"derap", config};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        const clitest::ProgramOutcome run = Ostrel(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, row.text);
    }
    const clitest::ProgramOutcome toFile = Ostrel({"derap", config, "-o", Path("config.cpp"), "--offsets"});
    EXPECT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_NE(Text("config.cpp").find("//NextOffset "), std::string::npos);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"config.bin", "config.cpp", "mod.pbo"}));
}

TEST_F(CommandsTest, DerapReportsDecoderErrorsLikeACompiler)
{
    const std::string text = Put("notes.txt", ToBytes("class A {};"));
    Bytes broken = ArmaBytes(RapClass().Value("version", RapValue::Int(3)));
    broken.resize(18); // the root body's first entry is cut off
    const std::string cut = Put("cut.bin", broken);
    const std::string missing = Path("missing.bin");
    const std::vector<std::pair<std::string, std::string>> rows = {
        {text, text + ": error: DeRap: Not a raP file\n"},
        {cut, cut + ": error: Derap: Unexpected EOF\n"},
        {missing, missing + ": error: DeRap: No File\n"},
    };
    for (const auto& row : rows)
    {
        const clitest::ProgramOutcome run = Ostrel({"derap", row.first, "-o", Path("out.cpp")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, row.second);
        EXPECT_FALSE(Exists("out.cpp"));
    }
}
