// Binary output where the tree or the file system says no: no tree, a root
// without entries, counts and string tables the format cannot hold, short
// writes; and what a call leaves behind (callback line, layout, other objects).

#include <gtest/gtest.h>

#include <csignal>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "OutputTestUtil.h"
#include "rap/RapTestUtil.h"
#include "support/Capture.h"
#include "support/PosixOnly.h"

using namespace testsupport;
using outtest::CompileWrite;
using outtest::Written;

namespace
{
std::string Entries(int n, const char* prefix)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::string(prefix) + std::to_string(i) + " = 1;\n";
    return s;
}

std::string ArrayOf(int n)
{
    std::string s = "a[] = {";
    for (int i = 0; i < n; ++i)
        s += i ? ",1" : "1";
    return s + "};\n";
}

#if !defined(_WIN32)
// Runs Output with the process's file size limited to limit bytes (writes
// past it fail instead of raising a signal).
int OutputWithSizeLimit(Rapify& compiler, const std::string& path, rlim_t limit, bool forceBinary)
{
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
    int result = compiler.Output(path.c_str(), forceBinary);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    return result;
}
#endif
} // namespace

TEST(ConfigOutputRefusal, NothingWrittenForTreesTheFormatCannotHold)
{
    struct Row
    {
        const char* label;
        std::string text;
        bool forceBinary;
        int code;
        const char* limit; // what the limit text names
    } rows[] = {
        {"32768 entries", Entries(32768, "v"), true, 4, "class config.cpp holds more than 32767 entries"},
        {"32768 entries, inline", Entries(32768, "v"), false, 4, "class config.cpp holds more than 32767 entries"},
        {"32768 array elements", ArrayOf(32768), true, 4, "holds more than 32767 elements"},
        {"32768 array elements, inline", ArrayOf(32768), false, 4, "holds more than 32767 elements"},
        {"32769 distinct strings, inline", "class C {\n" + Entries(32767, "v") + "};\n", false, 4,
         "no more than 32768 distinct names and strings"},
    };
    for (const Row& row : rows)
    {
        Rapify compiler;
        ASSERT_EQ(compiler.ProcessBuffer(row.text.c_str(), "config.cpp", nullptr, nullptr), 0) << row.label;
        Written w = outtest::WriteTree(compiler, row.forceBinary);
        EXPECT_EQ(w.output, row.code) << row.label;
        EXPECT_FALSE(w.exists) << row.label;
        // The limit is named with the entry that passed it.
        ASSERT_NE(compiler.GetLimitText(), nullptr) << row.label;
        EXPECT_NE(std::string(compiler.GetLimitText()).find(row.limit), std::string::npos)
            << row.label << ": " << compiler.GetLimitText();
    }
}

TEST(ConfigOutputRefusal, LargestTreesTheFormatHoldsAreWritten)
{
    struct Row
    {
        const char* label;
        std::string text;
        bool forceBinary;
    } rows[] = {
        {"empty source, inline", "", false},
        {"32767 entries", Entries(32767, "v"), true},
        {"32767 array elements, inline", ArrayOf(32767), false},
        // The root's name, C and 32766 values: 32768 strings, indices 0 to 32767.
        {"32768 distinct strings, inline", "class C {\n" + Entries(32766, "v") + "};\n", false},
        {"32769 strings equal but for case, inline", "class C {\n" + Entries(32766, "v") + "};\nV0 = 1;\n", false},
    };
    for (const Row& row : rows)
    {
        Written w = CompileWrite(row.text, row.forceBinary);
        EXPECT_EQ(w.output, 0) << row.label;
        raptest::Decoded d = raptest::Decode(w.bytes);
        EXPECT_TRUE(d.accepted) << row.label;
        EXPECT_EQ(d.code, RapNoError) << row.label;
    }
}

TEST(ConfigOutputRefusal, NoTreeAnswers33BeforeAnyCallback)
{
    TempDir dir;
    std::string path = dir.Path("out.bin");
    Rapify fresh;
    EXPECT_EQ(fresh.Output(path.c_str(), false), 33);
    Rapify failed;
    Capture::Reset();
    EXPECT_NE(failed.ProcessBuffer("class A {", "config.cpp", &Capture::Callback, nullptr), 0);
    Capture::Reset();
    EXPECT_EQ(failed.Output(path.c_str(), true), 33);
    EXPECT_TRUE(Capture::lines.empty());
    EXPECT_FALSE(FileExists(path));
}

TEST(ConfigOutputRefusal, ShortWritesAnswerAnError)
{
    OSTREL_POSIX_ONLY("the file size cannot be capped (setrlimit)");
#if !defined(_WIN32)
    struct Row
    {
        const char* text;
        bool forceBinary;
    } rows[] = {
        {"a = 1;\nclass B { c[] = {1, 2, \"three\"}; };\nenum { E };\n", false},
        {"a = 1;\nclass B { c[] = {1, 2, \"three\"}; };\nenum { E };\n", true},
        {"#pragma _xbox_ WithSignature\na = 1;\nclass B { c[] = {1, 2, \"three\"}; };\nenum { E };\n", false},
    };
    for (const Row& row : rows)
    {
        Rapify compiler;
        ASSERT_EQ(compiler.ProcessBuffer(row.text, "config.cpp", nullptr, nullptr), 0);
        Written whole = outtest::WriteTree(compiler, row.forceBinary);
        ASSERT_EQ(whole.output, 0);
        TempDir dir;
        std::string path = dir.Path("cut.bin");
        for (rlim_t limit : {rlim_t(0), rlim_t(4), rlim_t(7), rlim_t(20), rlim_t(30), rlim_t(whole.bytes.size() - 5),
                             rlim_t(whole.bytes.size() - 1)})
            EXPECT_EQ(OutputWithSizeLimit(compiler, path, limit, row.forceBinary), 4)
                << row.text << " cut at " << limit;
        // Every cut inside the enum list at the end (count, "E", value).
        for (size_t cut = whole.bytes.size() - 10; cut < whole.bytes.size(); ++cut)
            EXPECT_EQ(OutputWithSizeLimit(compiler, path, cut, row.forceBinary), 4) << row.text << " cut at " << cut;
        EXPECT_EQ(OutputWithSizeLimit(compiler, path, whole.bytes.size(), row.forceBinary), 0);
        EXPECT_EQ(ReadFile(path), whole.bytes);
    }
    Rapify compiler;
    ASSERT_EQ(compiler.ProcessBuffer("a = 1;", "config.cpp", nullptr, nullptr), 0);
    if (FileExists("/dev/full"))
    {
        EXPECT_EQ(compiler.Output("/dev/full", true), 4);
    }
    TempDir dir;
    EXPECT_EQ(compiler.Output(dir.Path("missing/out.bin").c_str(), false), 4);
    EXPECT_EQ(compiler.Output(nullptr, false), 4);
#endif
}

TEST(ConfigOutputCall, CallbackLayoutAndRepeatedCalls)
{
    Rapify compiler;
    Capture::Reset();
    ASSERT_EQ(compiler.ProcessBuffer("a = 1;\n", "config.cpp", &Capture::Callback, nullptr), 0);
    Capture::Reset();
    Written first = outtest::WriteTree(compiler, false);
    EXPECT_EQ(Capture::lines, std::vector<std::string>({"\nWriting output\n"}));
    EXPECT_EQ(compiler.GetLayout(), 0);
    Written arma = outtest::WriteTree(compiler, true);
    EXPECT_EQ(compiler.GetLayout(), 1);
    // The forced layout stays with the object.
    Written again = outtest::WriteTree(compiler, false);
    EXPECT_EQ(first.bytes.size(), 35u);
    EXPECT_EQ(arma.bytes.size(), 34u);
    EXPECT_EQ(again.bytes, arma.bytes);
}

TEST(ConfigOutputCall, ObjectsKeepTheirOwnTreesAndEnumerators)
{
    Rapify one;
    Rapify two;
    ASSERT_EQ(one.ProcessBuffer("a = 1;\nenum { A, B };\n", "config.cpp", nullptr, nullptr), 0);
    Written alone = outtest::WriteTree(one, true);
    ASSERT_EQ(two.ProcessBuffer("b = 2;\nenum { C = 7 };\n", "config.cpp", nullptr, nullptr), 0);
    Written after = outtest::WriteTree(one, true);
    EXPECT_EQ(after.bytes, alone.bytes);
    EXPECT_EQ(after.bytes, ArmaBytes(RapClass().Value("a", RapValue::Int(1)), {{"A", 0}, {"B", 1}}));
    EXPECT_EQ(outtest::WriteTree(two, true).bytes, ArmaBytes(RapClass().Value("b", RapValue::Int(2)), {{"C", 7}}));
}
