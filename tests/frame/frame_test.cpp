// Tests of the frame: heap texts, node lists, data streams and the platform
// layer.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "RazDLL.h"
#include "frame/DataStream.h"
#include "frame/NodeList.h"
#include "frame/OwnedString.h"
#include "frame/Platform.h"
#include "support/PboBytes.h"
#include "support/PosixOnly.h"
#include "support/TempDir.h"

using testsupport::Bytes;
using testsupport::TempDir;

TEST(RazDLL, LinksItsArchiveMemberAndParsesVersion)
{
    RazDLL aggregate;
    EXPECT_EQ(aggregate.ostrel.GetParent(), &aggregate);
    Ostrel alone;
    EXPECT_EQ(alone.GetParent(), nullptr);
    EXPECT_STREQ(RazDLL::Version, "1.55");
    EXPECT_FLOAT_EQ(static_cast<float>(std::atof(RazDLL::Version)), 1.55f);
}

TEST(OwnedString, FormatAndAppend)
{
    OwnedString s;
    EXPECT_STREQ(OwnedString::FormatString(s, "%s\\%s", "a", "b"), "a\\b");
    EXPECT_STREQ(OwnedString::AppendFormat(s, "-%d", 7), "a\\b-7");
    EXPECT_STREQ(OwnedString::AppendFormat(s, "%s", ""), "a\\b-7");
    // Called through a pointer: an empty literal format is what is tested.
    char* (*append)(OwnedString&, const char*, ...) = &OwnedString::AppendFormat;
    append(s, "");
    EXPECT_STREQ(s.Get(), "a\\b-7");
    OwnedString empty;
    append(empty, "");
    EXPECT_EQ(empty.Get(), nullptr);
    OwnedString::AppendFormat(empty, "x%c", 'y');
    EXPECT_STREQ(empty.Get(), "xy");
    EXPECT_EQ(OwnedString::FormatString(s, nullptr), nullptr);
    EXPECT_TRUE(s.Empty());
}

TEST(OwnedString, TextsLongerThanTheWorkingBufferGrow)
{
    std::string longText(5000, 'q');
    OwnedString s;
    OwnedString::FormatString(s, "<%s>", longText.c_str());
    EXPECT_EQ(std::string(s.Get()), "<" + longText + ">");
    OwnedString::AppendFormat(s, "%s", longText.c_str());
    EXPECT_EQ(std::strlen(s.Get()), 10002u);
}

TEST(OwnedString, ReadCStringLimits)
{
    TempDir dir;
    std::string path = dir.Path("names");
    Bytes bytes;
    std::string ok253(253, 'a');
    std::string bad254(254, 'b');
    bytes.insert(bytes.end(), ok253.begin(), ok253.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), bad254.begin(), bad254.end());
    bytes.push_back(0);
    testsupport::WriteFile(path, bytes);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    OwnedString s;
    ASSERT_NE(OwnedString::ReadCString(s, f), nullptr);
    EXPECT_EQ(std::string(s.Get()), ok253);
    EXPECT_EQ(OwnedString::ReadCString(s, f), nullptr);
    EXPECT_TRUE(s.Empty());
    std::fclose(f);

    testsupport::WriteFile(path, std::string("cut"));
    f = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(OwnedString::ReadCString(s, f), nullptr);
    std::fclose(f);
}

TEST(DataStream, OpenInputModesAndNames)
{
    TempDir dir;
    dir.Put("ten.txt", std::string("0123456789"));
    dir.Put("empty.pbo", std::string());
    dir.Put("a.PBO", std::string("x"));
    dir.Put("noext.pbo", std::string("y"));
    DataStream s;
    ASSERT_TRUE(s.OpenInput(dir.Path("ten.txt").c_str(), nullptr, 2));
    EXPECT_EQ(s.Length(), 11u);
    EXPECT_EQ(s.Buffer()[10], 0);
    ASSERT_TRUE(s.OpenInput(dir.Path("ten.txt").c_str(), "", 1));
    EXPECT_EQ(s.Length(), 10u);
    ASSERT_TRUE(s.OpenInput(dir.Path("ten.txt").c_str(), "TXT", 0));
    EXPECT_EQ(s.Length(), 10u);
    EXPECT_NE(s.InputFile(), nullptr);
    EXPECT_FALSE(s.OpenInput(dir.Path("ten.txt").c_str(), nullptr, 3));
    for (int mode = 0; mode < 3; ++mode)
        EXPECT_FALSE(s.OpenInput(dir.Path("empty.pbo").c_str(), "pbo", mode)) << mode;
    EXPECT_TRUE(s.OpenInput(dir.Path("a.PBO").c_str(), "pbo", 1));
    EXPECT_TRUE(s.OpenInput(dir.Path("noext").c_str(), "pbo", 1));
    EXPECT_EQ(s.Buffer()[0], 'y');
    // A dot only in a folder name is not an extension.
    ASSERT_EQ(platform::MakeFolder(dir.Path("dir.old").c_str()), 0);
    dir.Put("dir.old/a.pbo", std::string("z"));
    EXPECT_TRUE(s.OpenInput((dir.Path() + "\\dir.old\\a").c_str(), "pbo", 1));
    s.Close();
    EXPECT_EQ(s.Buffer(), nullptr);
    EXPECT_EQ(s.Length(), 0u);
}

// Extraction's writer never follows a link standing at the path (the plain
// open does); neither opens a pipe, which would block the open; a listing
// failure counts as "not there" only for a missing item.
TEST(Platform, CreatingRefusesLinksAndPipes)
{
    OSTREL_POSIX_ONLY("links and pipes are made with POSIX calls");
#if !defined(_WIN32)
    TempDir dir;
    dir.Put("target", std::string("kept"));
    ASSERT_EQ(symlink(dir.Path("target").c_str(), dir.Path("link").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.Path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(platform::CreateFileNoFollow(dir.Path("link").c_str()), nullptr);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_EQ(dir.Read("target"), Bytes({'k', 'e', 'p', 't'}));
    FILE* followed = platform::OpenFile(dir.Path("link").c_str(), "rb");
    ASSERT_NE(followed, nullptr);
    std::fclose(followed);
    uint64_t size = 0;
    EXPECT_FALSE(platform::FindFileSize(dir.Path("pipe").c_str(), size));
    for (const char* mode : {"rb", "wb"})
        EXPECT_EQ(platform::OpenFile(dir.Path("pipe").c_str(), mode), nullptr) << mode;
    EXPECT_EQ(platform::CreateFileNoFollow(dir.Path("pipe").c_str()), nullptr);
    FILE* created = platform::CreateFileNoFollow(dir.Path("new").c_str());
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    EXPECT_TRUE(platform::IsMissing(ENOENT) && platform::IsMissing(ENOTDIR));
    EXPECT_FALSE(platform::IsMissing(EACCES) || platform::IsMissing(EMFILE));
#endif
}

TEST(DataStream, MemoryReads)
{
    unsigned char block[6] = {1, 2, 3, 4, 5, 6};
    DataStream s;
    s.OpenMemory(block, sizeof block);
    EXPECT_EQ(s.ReadU16(), 0x0201u);
    unsigned char two[2];
    EXPECT_FALSE(s.Read(two, 1, 5));
    EXPECT_EQ(s.Position(), 2u);
    const unsigned char* p = s.Take(2);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(s.Take(3), nullptr);
    EXPECT_TRUE(s.Read(two, 2, 1));
    EXPECT_TRUE(s.AtEnd());
    EXPECT_EQ(s.ReadU16(), 0u);
    EXPECT_EQ(s.Take(two, 1), 0);
    s.Close();
    EXPECT_EQ(block[0], 1); // the caller's block is untouched and not freed
}

TEST(DataStream, PutOperations)
{
    TempDir dir;
    DataStream s;
    EXPECT_FALSE(s.PutByte(1)); // no output file
    ASSERT_TRUE(s.CreateOutput(dir.Path("out").c_str(), "bin"));
    EXPECT_TRUE(s.PutString(""));
    EXPECT_TRUE(s.PutString(nullptr));
    EXPECT_TRUE(s.PutString("ab"));
    EXPECT_TRUE(s.PutU32(0x01020304));
    EXPECT_TRUE(s.PutByte(0xFF));
    EXPECT_TRUE(s.PutBytes("xyz", 3));
    s.Close();
    Bytes expected = {0, 0, 'a', 'b', 0, 4, 3, 2, 1, 0xFF, 'x', 'y', 'z'};
    EXPECT_EQ(dir.Read("out.bin"), expected);
}

// An output goes to a temporary file beside its name and replaces what stands
// there only once it is complete: a failed write keeps the old file, a link
// at the name is replaced (its target untouched).
TEST(DataStream, OutputsReplaceTheirNameOnlyWhenComplete)
{
    TempDir dir;
    dir.Put("kept.bin", std::string("old"));
    for (bool complete : {false, true})
    {
        DataStream s;
        ASSERT_TRUE(s.CreateOutput(dir.Path("kept.bin").c_str(), nullptr));
        EXPECT_TRUE(s.PutBytes("new", 3));
        EXPECT_EQ(s.FinishOutput(complete), complete);
        EXPECT_EQ(dir.Read("kept.bin"), testsupport::ToBytes(complete ? "new" : "old"));
        EXPECT_TRUE(testsupport::NoTemporaryFiles(dir.Path()));
    }
    DataStream s;
    platform::MakeFolder(dir.Path("folder").c_str());
    EXPECT_FALSE(s.CreateOutput(dir.Path("folder").c_str(), nullptr));
#if !defined(_WIN32)
    dir.Put("victim.txt", std::string("victim"));
    ASSERT_EQ(symlink("victim.txt", dir.Path("link.bin").c_str()), 0);
    ASSERT_TRUE(s.CreateOutput(dir.Path("link.bin").c_str(), nullptr));
    EXPECT_TRUE(s.PutBytes("new", 3) && s.CloseOutput());
    EXPECT_EQ(dir.Read("victim.txt"), testsupport::ToBytes("victim"));
    EXPECT_FALSE(platform::IsLink(dir.Path("link.bin").c_str()));
#endif
}

namespace
{
int destroyed = 0;
struct CountingNode : ListNode
{
    explicit CountingNode(int v) : value(v) {}
    ~CountingNode() override { destroyed += value; }
    int value;
};
} // namespace

TEST(NodeList, AppendAtClear)
{
    NodeList list;
    EXPECT_EQ(list.Append(nullptr), nullptr);
    for (int i = 1; i <= 3; ++i)
        list.Append(new CountingNode(i));
    EXPECT_EQ(static_cast<CountingNode*>(list.At(0))->value, 1);
    EXPECT_EQ(static_cast<CountingNode*>(list.At(2))->value, 3);
    EXPECT_EQ(list.At(3), nullptr);
    destroyed = 0;
    list.Clear();
    EXPECT_EQ(destroyed, 6);
    EXPECT_EQ(list.At(0), nullptr);
}
