// How the tool writes its outputs, run as built: never through a link at the
// output name, never spoiling the previous output when a write fails, names
// at the file name limit, standard output without a file beside the input,
// and the exit status and leftovers of a run stopped by SIGINT or SIGTERM.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "CliRun.h"
#ifdef OSTREL_TEXTURE
#include "TextureCodec.h"
#endif
#include "support/PboBytes.h"
#include "support/RapBytes.h"

using namespace testsupport;
using clitest::Launch;
using clitest::Ostrel;
namespace fs = std::filesystem;

namespace
{
class OutputsTest : public clitest::CliTest
{
protected:
    void SetUp() override
    {
#ifdef OSTREL_TEXTURE
        texture::Image image;
        image.width = image.height = 32;
        for (unsigned i = 0; i < 32 * 32; ++i)
            image.rgba.insert(image.rgba.end(), {static_cast<unsigned char>(i * 7), static_cast<unsigned char>(i / 3),
                                                  0x88, 0xFF});
        Bytes bytes;
        EXPECT_EQ(texture::WritePng(image, bytes), texture::Ok);
        png = Put("in.png", bytes);
        EXPECT_EQ(texture::EncodeTexture(image, texture::EncodeOptions(), bytes), texture::Ok);
        paa = Put("in.paa", bytes);
#endif
        RapClass root;
        root.Class("CfgPatches", RapClass().Value("units", RapValue::String(std::string(200, 'u'))));
        bin = Put("in.bin", ArmaBytes(root));
        cpp = Put("in.cpp", ToBytes("class A\n{\n  text = \"" + std::string(200, 't') + "\";\n};\n"));
        fs::create_directory(Path("mod"));
        WriteFile(Path("mod/a.txt"), std::string(300, 'a'));
        pbo = Put("in.pbo", MakeArchive({StoredEntry("a.txt", std::string(300, 'a'))}));
    }
    // Only the inputs and what the row names are left: no temporary file or
    // working folder.
    void ExpectNoLeftovers(const std::string& row) const
    {
        for (const std::string& name : Listing())
            EXPECT_NE(name[0], '.') << row << ": " << name;
    }

    // Rows of the texture command, where the texture codec is built.
    template <typename Row>
    void AddTextureRows(std::vector<Row>& rows, const std::vector<Row>& textureRows) const
    {
#ifdef OSTREL_TEXTURE
        rows.insert(rows.end(), textureRows.begin(), textureRows.end());
#else
        (void)rows;
        (void)textureRows;
#endif
    }

    std::string png, paa, bin, cpp, pbo;
};

std::string Joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += word + " ";
    return text;
}
} // namespace

TEST_F(OutputsTest, ALinkAtTheOutputIsReplacedAndAFailedWriteKeepsThePreviousOutput)
{
    struct Row
    {
        std::vector<std::string> arguments;
        std::string output;
    };
    std::vector<Row> rows = {
        {{"derap", bin, "-o", Path("out.cpp")}, "out.cpp"},
        {{"rapify", cpp, "-o", Path("out.bin")}, "out.bin"},
    };
    AddTextureRows(rows, {{{"texture", "topng", paa, "-o", Path("out.png")}, "out.png"},
                          {{"texture", "topng", paa, "--all-mips", "-o", Path("all.png")}, "all.mip0.png"},
                          {{"texture", "frompng", png, "-o", Path("out.paa")}, "out.paa"}});
    for (const Row& row : rows)
    {
        const std::string output = Path(row.output), label = Joined(row.arguments);
        WriteFile(Path("victim.txt"), "victim");
        fs::create_symlink(Path("victim.txt"), output);
        EXPECT_EQ(Ostrel(row.arguments).status, 0) << label;
        EXPECT_EQ(Text("victim.txt"), "victim") << label;
        EXPECT_FALSE(fs::is_symlink(output)) << label;
        EXPECT_GT(fs::file_size(output), 100u) << label;

        // The output passes the file size limit: the write fails.
        WriteFile(output, "previous output");
        Launch limited;
        limited.fileSizeLimit = 100;
        EXPECT_EQ(clitest::Run(row.arguments, limited), 1) << label;
        EXPECT_EQ(Text(row.output), "previous output") << label;
        ExpectNoLeftovers(label);
    }
}

TEST_F(OutputsTest, NamesAtTheFileNameLimit)
{
    // 255 bytes is the longest file name; the temporary names stay within it.
    const std::string longName(251, 'n');
    struct Row
    {
        std::vector<std::string> arguments;
        std::string output;
    };
    std::vector<Row> rows = {
        {{"pack", Path("mod") + "/."}, "mod.pbo"},
        {{"pack", Path("mod"), "--flavour", "arma", "-o", Path(longName + ".pbo")}, longName + ".pbo"},
        {{"derap", bin, "-o", Path(longName + ".cpp")}, longName + ".cpp"},
        {{"rapify", cpp, "-o", Path(longName + ".bin")}, longName + ".bin"},
    };
    AddTextureRows(rows, {{{"texture", "topng", paa, "-o", Path(longName + ".png")}, longName + ".png"}});
    for (const Row& row : rows)
    {
        const clitest::ProgramOutcome run = Ostrel(row.arguments);
        EXPECT_EQ(run.status, 0) << Joined(row.arguments) << run.err;
        EXPECT_TRUE(FileExists(Path(row.output))) << Joined(row.arguments);
        ExpectNoLeftovers(Joined(row.arguments));
    }
    // The archive's prefix is still its whole name.
    const clitest::ProgramOutcome listed = Ostrel({"list", Path(longName + ".pbo")});
    EXPECT_NE(listed.out.find(longName), std::string::npos) << listed.out;
}

TEST_F(OutputsTest, RapifyToStandardOutputWritesNothingBesideTheInput)
{
    // The source is read through a descriptor, as from a process
    // substitution: no file can be made beside it.
    Launch launch;
    launch.in = cpp;
    EXPECT_EQ(clitest::Run({"rapify", "/proc/self/fd/0", "-o", Path("file.bin")}, launch), 0);
    launch.out = Path("piped.bin");
    EXPECT_EQ(clitest::Run({"rapify", "/proc/self/fd/0", "-o", "-"}, launch), 0);
    EXPECT_EQ(ReadFile(Path("piped.bin")), ReadFile(Path("file.bin")));
    EXPECT_GT(ReadFile(Path("piped.bin")).size(), 200u);
}

TEST_F(OutputsTest, EveryCommandStopsOnASignalAndLeavesNothing)
{
    struct Row
    {
        std::vector<std::string> arguments;
        std::string output; // must not appear
    };
    std::vector<Row> rows = {
        {{"rapify", cpp, "-o", Path("out.bin")}, "out.bin"},
        {{"rapify", cpp, "-o", "-"}, ""},
        {{"derap", bin, "-o", Path("out.cpp")}, "out.cpp"},
        {{"derap", bin}, ""},
        {{"pack", Path("mod"), "-o", Path("out.pbo")}, "out.pbo"},
        {{"extract", pbo, "-o", Path("outdir")}, "outdir"},
        {{"patch", pbo, pbo}, "in.patched.pbo"},
        {{"check", cpp, bin, pbo}, ""},
        {{"list", pbo}, ""},
        {{"cat", pbo, "a.txt"}, ""},
    };
    AddTextureRows(rows, {{{"texture", "topng", paa, "-o", Path("out.png")}, "out.png"},
                          {{"texture", "frompng", png, "-o", Path("out.paa")}, "out.paa"}});
    struct Signals
    {
        std::vector<int> numbers;
        int status;
    };
    // The second signal ends the program at once: it dies of it.
    const std::vector<Signals> signalRows = {
        {{SIGINT}, 130}, {{SIGTERM}, 143}, {{SIGINT, SIGTERM}, 1000 + SIGINT}, {{SIGTERM, SIGINT}, 1000 + SIGINT}};
    for (const Row& row : rows)
    {
        for (const Signals& signals : signalRows)
        {
            const std::string label = Joined(row.arguments) + std::to_string(signals.numbers.size()) + " signals";
            Launch launch;
            launch.pendingSignals = signals.numbers;
            const int status = clitest::Run(row.arguments, launch);
            if (signals.numbers.size() == 1)
                EXPECT_EQ(status, signals.status) << label;
            else
                EXPECT_GT(status, 1000) << label;
            if (!row.output.empty())
            {
                EXPECT_FALSE(fs::exists(Path(row.output))) << label;
            }
            ExpectNoLeftovers(label);
        }
    }
}

TEST_F(OutputsTest, RapifyStopsWhileItsSourceIsStillArriving)
{
    const std::string fifo = Path("source.cpp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    void (*previous)(int) = signal(SIGPIPE, SIG_IGN);
    for (const auto& row : std::vector<std::pair<int, int>>{{SIGINT, 130}, {SIGTERM, 143}})
    {
        const int pid = clitest::Start({"rapify", fifo, "-o", Path("out.bin")});
        ASSERT_GT(pid, 0);
        // Opening for writing waits until the tool has opened the source.
        const int writer = open(fifo.c_str(), O_WRONLY);
        ASSERT_GE(writer, 0);
        const std::string head = "class A\n{\n", tail = "  x = 1;\n};\n";
        EXPECT_EQ(write(writer, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        kill(pid, row.first);
        EXPECT_EQ(write(writer, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
        close(writer);
        EXPECT_EQ(clitest::Finish(pid), row.second);
        EXPECT_FALSE(fs::exists(Path("out.bin")));
        ExpectNoLeftovers(std::to_string(row.first));
    }
    signal(SIGPIPE, previous);
}
