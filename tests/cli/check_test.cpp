// ostrel check run as built: diagnostics with the line of the first error,
// inspector reports with -v, files reported in the order given whatever the
// number of threads, the summary line and the exit status.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "frame/Sha1.h"
#include "inspect/texture_writer.h"
#include "rap/DeRap.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/RapBytes.h"
#include "support/Rows.h"
#include "support/WrpWriter.h"

using clitest::Ostrel;
using clitest::ProgramOutcome;
using testsupport::ToBytes;

namespace
{
class CheckTest : public testsupport::FolderTest
{
protected:
    std::string Script(const std::string& name, const std::string& text) { return Put(name, ToBytes(text)); }
};

const testsupport::Bytes GoodTexture =
    texturetest::TextureBytes(0x4444).EndTags().Mip(2, 2, 8).Mip(1, 1, 2).End().Get();
const testsupport::Bytes World = testsupport::WriteV1(4, 4, {"grass.paa"}, {"tree.p3d"});

std::string Str(const testsupport::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// An archive whose packed entry's bytes are cut short.
std::string DamagedArchive()
{
    testsupport::TestEntry packed = testsupport::CompressedEntry("sub\\c.bin", testsupport::TextLike(500, 3));
    packed.data.resize(packed.data.size() / 2);
    return Str(testsupport::MakeArchive({testsupport::StoredEntry("a.txt", "alpha"), packed}));
}

// The decoder's own message for a damaged binarised config.
std::string DecoderMessage(const std::string& path)
{
    DeRap decoder;
    RapError code = decoder.OpenRapFile(path.c_str());
    const char* text = nullptr;
    if (code == 0)
        code = decoder.ConvertRapData(&text);
    return DeRap::ErrorString(code);
}

// An archive ending with a zero byte and the SHA-1 of every byte before
// them, or with one that does not match.
std::string ArchiveWithChecksum(bool matching)
{
    testsupport::Bytes bytes = testsupport::MakeArchive({testsupport::StoredEntry("a.txt", "alpha")}, "prefix", "x");
    unsigned char digest[Sha1::DigestSize];
    Sha1 sha;
    sha.Update(bytes.data(), bytes.size());
    sha.Final(digest);
    digest[0] ^= matching ? 0 : 1;
    bytes.push_back(0);
    bytes.insert(bytes.end(), digest, digest + sizeof digest);
    return Str(bytes);
}

const testsupport::Bytes Config =
    testsupport::ArmaBytes(testsupport::RapClass().Value("version", testsupport::RapValue::Int(3)));
} // namespace

TEST_F(CheckTest, EachKindOfFileGetsItsCheckerAndTheFirstErrorsLine)
{
    struct Row
    {
        std::string name;
        std::string content;
        std::string diagnostic; // after "PATH"; empty when the file passes
    };
    const std::vector<Row> rows = {
        {"ok.sqs", "hint \"a\"\n", ""},
        {"quote.sqs", "hint \"a\"\r\nhint \"b\r\n", ":2: error: Sqs: no ending quote\n"},
        {"front.sqs", "x = 1\ny = true + 1\n", ":2: error: SQS: command '+' needs front\n"},
        // A line longer than the checker's buffer arrives in pieces; it is
        // still one line.
        {"long.sqs", ";" + std::string(6000, 'x') + "\nhint \"a\"\n\nhint \"b\n", ":4: error: Sqs: no ending quote\n"},
        {"config.cpp", "class A {\n  x = 1;\n  y = \"abc;\n};\n",
         ":3:7: error: Expected value after = (Mismatched quotes)\n      y = \"abc;\n          ^\n"},
        {"description.ext", "class B {\n x[] = {1,2;\n};\n",
         ":2:12: error: Expected value , or {} in array\n     x[] = {1,2;\n               ^\n"},
        {"ok.hpp", "class A {\n  x = 1;\n};\n", ""},
        {"tex.paa", std::string(GoodTexture.begin(), GoodTexture.end()), ""},
        {"bad.PAA", "not a texture", ": error: Pac: Unknown File Format\n"},
        {"font.fxy", std::string(224 * 12, '\0'), ""},
        {"short.fxy", std::string(100, '\0'), ": error: Fxy: non modular filesize\n"},
        {"world.wrp", std::string(World.begin(), World.end()), ""},
        {"cut.wrp", std::string(World.begin(), World.begin() + 40), ": error: Wrp: Premature EOF\n"},
        {"anim.rtm", "RTM", ": error: Rtm: Premature EOF\n"},
        // Archives are read and every entry unpacked; binarised configs are
        // decoded, whatever their name.
        {"mod.pbo", Str(testsupport::MakeArchive({testsupport::StoredEntry("a.txt", "alpha")})), ""},
        {"damaged.pbo", DamagedArchive(), ": error: sub\\c.bin: Ostrel compression checksum\n"},
        {"cut.pbo", Str(testsupport::MakeArchive({testsupport::StoredEntry("a.txt", "alpha")})).substr(0, 10),
         ": error: Ostrel File Truncated\n"},
        {"summed.pbo", ArchiveWithChecksum(true), ""},
        {"missummed.pbo", ArchiveWithChecksum(false), ": error: the stored checksum does not match the content\n"},
        {"config.bin", Str(Config), ""},
        {"mission.sqm", Str(testsupport::InlineBytes("mission.sqm", testsupport::RapClass())), ""},
        {"cut.bin", Str(Config).substr(0, 20), ": error: "},
    };
    std::vector<std::string> arguments = {"check"};
    std::string expected;
    for (const Row& row : rows)
    {
        arguments.push_back(Script(row.name, row.content));
        if (row.name == "cut.bin")
            expected += Path(row.name) + row.diagnostic + DecoderMessage(Path(row.name)) + "\n";
        else if (!row.diagnostic.empty())
            expected += Path(row.name) + row.diagnostic;
    }
    arguments.push_back(Path("missing.sqs"));
    expected += Path("missing.sqs") + ": error: Sqs: no file\n";
    arguments.push_back(Path("missing.xyz"));
    expected += Path("missing.xyz") + ": error: no such file\n";
    arguments.push_back(Script("notes.txt", "text"));
    expected += "ostrel: warning: " + Path("notes.txt") + ": skipped, no checker for this kind of file\n";
    arguments.push_back(Script("texHeaders.bin", "0DHT"));
    expected += "ostrel: warning: " + Path("texHeaders.bin") + ": skipped, no checker for this kind of file\n";
    expected += "24 checked, 15 failed, 2 skipped\n";

    for (const char* jobs : {"1", "3"})
    {
        std::vector<std::string> withJobs = arguments;
        withJobs.push_back("-j");
        withJobs.push_back(jobs);
        const ProgramOutcome run = Ostrel(withJobs);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expected) << jobs;
    }
}

TEST_F(CheckTest, ManyFilesOnManyThreadsAreReportedInTheOrderGiven)
{
    std::vector<std::string> arguments = {"check", "-j", "8"};
    std::string expected;
    for (int i = 0; i < 60; ++i)
    {
        // Scripts and configs in turn; every third file fails on a line of
        // its own number.
        const bool config = i % 2 == 1;
        const std::string name = "s" + std::to_string(i) + (config ? ".cpp" : ".sqs");
        std::string text(static_cast<size_t>(i), '\n');
        if (config)
            text += i % 3 == 0 ? "x = \"open;\n" : "x = \"closed\";\n";
        else
            text += i % 3 == 0 ? "hint \"open\n" : "hint \"closed\"\n";
        arguments.push_back(Script(name, text));
        if (i % 3 == 0)
            expected += Path(name) + ":" + std::to_string(i + 1) +
                        (config ? ":5: error: Expected value after = (Mismatched quotes)\n    x = \"open;\n        ^\n"
                                : ": error: Sqs: no ending quote\n");
    }
    const ProgramOutcome run = Ostrel(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, expected + "60 checked, 20 failed, 0 skipped\n");
}

TEST_F(CheckTest, VerboseShowsTheInspectorsReportAndAllPassing)
{
    const std::string texture = Put("t.paa", GoodTexture);
    const ProgramOutcome run = Ostrel({"check", "-v", texture, Script("ok.sqs", "hint \"a\"\n")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.compare(0, texture.size() + 8, texture + ":\nType: "), 0) << run.out;
    EXPECT_NE(run.out.find("2 x 2 Size=8\r\n1 x 1 Size=2\r\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "2 checked, 0 failed, 0 skipped\n");
    const std::string font = Put("f.fxy", testsupport::Bytes(224 * 12));
    const ProgramOutcome summary = Ostrel({"check", "-v", font});
    EXPECT_EQ(summary.out, font + ":\n224 characters\n");

    const ProgramOutcome quiet = Ostrel({"check", texture});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    const ProgramOutcome usage = Ostrel({"check", texture, "-j", "0"});
    EXPECT_EQ(usage.status, 2);
}

TEST_F(CheckTest, EveryFailingLineOfAScriptAndJson)
{
    // Line 3 fails, line 4 uses the type line 1 gave x, line 5 fails.
    const std::string script = Script("many.sqs", "x = 5\r\n#1\r\nhint 5\r\nx = \"a\"\r\n)\r\nexit\r\n");
    const std::string good = Script("good.sqs", "hint \"a\"\n");
    const ProgramOutcome text = Ostrel({"check", script, good});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, script + ":3: error: Sqs: unknown error\n" + script +
                            ":4: error: sqs: SQSERR_LABEL_CHANGED_TYPE\n" + script +
                            ":5: error: Unexpected )\n2 checked, 1 failed, 0 skipped\n");

    const ProgramOutcome json = Ostrel({"check", "--json", script, good});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.err, "2 checked, 1 failed, 0 skipped\n");
    const nlohmann::json document = nlohmann::json::parse(json.out);
    ASSERT_EQ(document["files"].size(), 2u);
    const nlohmann::json& errors = document["files"][0]["errors"];
    ASSERT_EQ(errors.size(), 3u) << json.out;
    EXPECT_EQ(errors[1]["line"], 4);
    EXPECT_EQ(errors[2]["message"], "Unexpected )");
    EXPECT_EQ(document["files"][1]["failed"], false);
    EXPECT_EQ(document["files"][1]["errors"].size(), 0u);
    EXPECT_EQ(document["failed"], 1);
}

// Every output, the verbose reports and the JSON document too, is the same
// byte for byte whatever the number of threads.
TEST_F(CheckTest, OutputDoesNotDependOnTheNumberOfThreads)
{
    std::vector<std::string> files;
    for (int i = 0; i < 24; ++i)
    {
        const std::string n = std::to_string(i);
        switch (i % 4)
        {
        case 0:
            files.push_back(Script("a" + n + ".sqs", i % 8 == 0 ? "hint \"open\n" : "_x = " + n + "\n"));
            break;
        case 1:
            files.push_back(Script("c" + n + ".cpp", i % 3 == 0 ? "x = ;\n" : "class A { y = " + n + "; };\n"));
            break;
        case 2:
            files.push_back(
                Put("p" + n + ".pbo", i % 3 == 0 ? ToBytes(DamagedArchive()) : ToBytes(ArchiveWithChecksum(true))));
            break;
        default:
            files.push_back(Put("t" + n + ".paa", GoodTexture));
            break;
        }
    }
    struct Row
    {
        const char* what;
        std::vector<std::string> options;
    };
    const Row rows[] = {{"plain", {}}, {"verbose", {"-v"}}, {"json", {"--json"}}};
    testsupport::CheckRows(rows, [&](const Row& row) {
        ProgramOutcome first;
        for (const char* jobs : {"1", "2", "5"})
        {
            std::vector<std::string> arguments = {"check", "-j", jobs};
            arguments.insert(arguments.end(), row.options.begin(), row.options.end());
            arguments.insert(arguments.end(), files.begin(), files.end());
            const ProgramOutcome run = Ostrel(arguments);
            EXPECT_EQ(run.status, 1) << jobs;
            if (std::string(jobs) == "1")
            {
                first = run;
                EXPECT_NE(run.err.find("24 checked"), std::string::npos) << run.err;
                continue;
            }
            EXPECT_EQ(run.out, first.out) << jobs;
            EXPECT_EQ(run.err, first.err) << jobs;
        }
    });
}
