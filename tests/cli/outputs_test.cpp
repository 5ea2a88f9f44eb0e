// How the tool writes its outputs, run as built: never through a link at the
// output name nor over the previous output when a write fails, names at the
// file name limit, and runs stopped by SIGINT or SIGTERM.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "CliRun.h"
#include "support/PboBytes.h"
#include "support/RapBytes.h"
#ifdef OSTREL_TEXTURE
#include "TextureCodec.h"
#endif

using namespace testsupport;
namespace fs = std::filesystem;

namespace
{
class OutputsTest : public testsupport::FolderTest
{
protected:
    void SetUp() override
    {
#ifdef OSTREL_TEXTURE
        texture::Image image;
        image.width = image.height = 32;
        for (unsigned i = 0; i < 32 * 32; ++i)
            image.rgba.insert(image.rgba.end(),
                              {static_cast<unsigned char>(i * 7), static_cast<unsigned char>(i / 3), 0, 255});
        Bytes bytes;
        EXPECT_EQ(texture::WritePng(image, bytes), texture::Ok);
        png = Put("in.png", bytes);
        EXPECT_EQ(texture::EncodeTexture(image, texture::EncodeOptions(), bytes), texture::Ok);
        paa = Put("in.paa", bytes);
#endif
        bin = Put("in.bin", ArmaBytes(RapClass().Value("units", RapValue::String(std::string(200, 'u')))));
        cpp = Put("in.cpp", ToBytes("class A\n{\n  text = \"" + std::string(200, 't') + "\";\n};\n"));
        fs::create_directory(Path("mod"));
        Put("mod/a.txt", std::string(300, 'a'));
        pbo = Put("in.pbo", MakeArchive({StoredEntry("a.txt", std::string(300, 'a'))}));
    }

    std::string png, paa, bin, cpp, pbo;
};

struct Row
{
    std::vector<std::string> arguments;
    std::string output;
    std::string Label() const { return arguments[0] + " " + arguments[1] + " > " + output; }
};
} // namespace

TEST_F(OutputsTest, ALinkAtTheOutputIsReplacedAndAFailedWriteKeepsThePreviousOutput)
{
    const std::vector<Row> rows = {
        {{"derap", bin, "-o", Path("out.cpp")}, "out.cpp"},
        {{"rapify", "--classic", cpp, "-o", Path("out.bin")}, "out.bin"},
#ifdef OSTREL_TEXTURE
        {{"texture", "topng", paa, "-o", Path("out.png")}, "out.png"},
        {{"texture", "topng", paa, "--all-mips", "-o", Path("all.png")}, "all.mip0.png"},
        {{"texture", "frompng", png, "-o", Path("out.paa")}, "out.paa"},
#endif
    };
    for (const Row& row : rows)
    {
        const std::string output = Path(row.output);
        Put("victim.txt", "victim");
        fs::create_symlink(Path("victim.txt"), output);
        EXPECT_EQ(clitest::Ostrel(row.arguments).status, 0) << row.Label();
        EXPECT_EQ(Text("victim.txt"), "victim") << row.Label();
        EXPECT_FALSE(fs::is_symlink(output)) << row.Label();
        EXPECT_GT(fs::file_size(output), 100u) << row.Label();

        WriteFile(output, "previous output");
        Launch limited; // the output passes the file size limit
        limited.fileSizeLimit = 100;
        EXPECT_EQ(clitest::Ostrel(row.arguments, limited).status, 1) << row.Label();
        EXPECT_EQ(Text(row.output), "previous output") << row.Label();
        ExpectNoLeftovers(row.Label());
    }
}

TEST_F(OutputsTest, NamesAtTheFileNameLimitAndStandardOutput)
{
    const std::string longName(251, 'n'); // with its extension, 255 bytes
    const std::vector<Row> rows = {
        {{"pack", Path("mod") + "/."}, "mod.pbo"},
        {{"pack", Path("mod"), "-o", Path(longName + ".zip")}, longName + ".zip"},
        {{"pack", Path("mod"), "--flavour", "arma", "-o", Path(longName.substr(6) + ".pbo")},
         longName.substr(6) + ".pbo"},
        {{"derap", bin, "-o", Path(longName + ".cpp")}, longName + ".cpp"},
        {{"rapify", "--classic", cpp, "--layout", "arma", "-o", Path(longName + ".bin")}, longName + ".bin"},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(clitest::Ostrel(row.arguments).status, 0) << row.Label();
        EXPECT_TRUE(Exists(row.output)) << row.Label();
        ExpectNoLeftovers(row.Label());
    }
    // The archive's prefix is still its whole name.
    EXPECT_NE(clitest::Ostrel({"list", Path(longName.substr(6) + ".pbo")}).out.find("\"" + longName.substr(6) + "\""),
              std::string::npos);

    // A source read through a descriptor (a process substitution): nothing
    // can be written beside it, and standard output needs nothing there.
    Launch launch;
    launch.in = cpp;
    const ProgramOutcome piped =
        clitest::Ostrel({"rapify", "--classic", "/proc/self/fd/0", "--layout", "arma", "-o", "-"}, launch);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, Text(longName + ".bin"));
}

TEST_F(OutputsTest, EveryCommandStopsOnASignalAndLeavesNothing)
{
    const std::vector<Row> rows = {
        {{"rapify", "--classic", cpp, "-o", Path("out.bin")}, "out.bin"},
        {{"rapify", "--classic", cpp, "-o", "-"}, ""},
        {{"derap", bin, "-o", Path("out.cpp")}, "out.cpp"},
        {{"pack", Path("mod"), "-o", Path("out.pbo")}, "out.pbo"},
        {{"extract", pbo, "-o", Path("outdir")}, "outdir"},
        {{"patch", pbo, pbo}, "in.patched.pbo"},
        {{"check", cpp, bin, pbo}, ""},
        {{"cat", pbo, "a.txt"}, ""},
#ifdef OSTREL_TEXTURE
        {{"texture", "topng", paa, "-o", Path("out.png")}, "out.png"},
        {{"texture", "frompng", png, "-o", Path("out.paa")}, "out.paa"},
#endif
    };
    // Signals that arrive before any work; a second one ends the program at
    // once (it dies of one of them).
    const std::vector<std::pair<std::vector<int>, int>> signalRows = {
        {{SIGINT}, 130}, {{SIGTERM}, 143}, {{SIGINT, SIGTERM}, -1}};
    for (const Row& row : rows)
    {
        for (const auto& signals : signalRows)
        {
            Launch launch;
            launch.pendingSignals = signals.first;
            const int status = clitest::Ostrel(row.arguments, launch).status;
            EXPECT_TRUE(signals.second < 0 ? status > 1000 : status == signals.second) << row.Label() << status;
            EXPECT_TRUE(row.output.empty() || !fs::exists(Path(row.output))) << row.Label();
            ExpectNoLeftovers(row.Label());
        }
    }

    // A signal while the source is still arriving through a pipe.
    const std::string fifo = Path("source.cpp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& row : std::vector<std::pair<int, int>>{{SIGINT, 130}, {SIGTERM, 143}})
    {
        const int pid = StartProgram(OSTREL_PATH, {"rapify", "--classic", fifo, "-o", Path("out.bin")});
        const int writer = open(fifo.c_str(), O_WRONLY); // once the tool reads
        ASSERT_GE(writer, 0);
        EXPECT_EQ(write(writer, "class A\n{\n", 10), 10);
        kill(pid, row.first);
        EXPECT_EQ(write(writer, "  x = 1;\n};\n", 12), 12);
        close(writer);
        EXPECT_EQ(FinishProgram(pid), row.second);
        EXPECT_FALSE(fs::exists(Path("out.bin")));
        ExpectNoLeftovers(fifo);
    }
}
