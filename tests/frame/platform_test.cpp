// The platform layer as the format code sees it, the same on POSIX and on
// Windows: listing order and records, folder and file services with their
// error numbers, and file offsets past 4 GiB.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <vector>

#include "frame/ListingOrder.h"
#include "frame/Platform.h"
#include "support/TempDir.h"

using testsupport::TempDir;

TEST(ListingOrder, LettersFoldAndTiesGoByBytes)
{
    struct Row
    {
        const char* a;
        const char* b;
        bool before;
    };
    const Row rows[] = {
        {"a.txt", "B.txt", true}, {"B.txt", "a.txt", false}, {"ab", "abc", true},  {"ABC", "abc", true},
        {"abc", "ABC", false},    {"_a", "a", true},         {"Z", "_", false},    {".git", "A", true},
        {"x", "x", false},        {"file10", "file9", true}, {"\xe9", "z", false}, {"", "a", true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.a) + " / " + row.b);
        EXPECT_EQ(row.before, platform::ListsBefore(row.a, row.b));
        // A strict order: never both ways.
        if (row.before)
        {
            EXPECT_FALSE(platform::ListsBefore(row.b, row.a));
        }
    }
}

namespace
{
std::vector<platform::FindRecord> ListAll(const std::string& folder)
{
    std::vector<platform::FindRecord> items;
    platform::FindRecord record;
    intptr_t handle = platform::FindFirst((folder + "/*.*").c_str(), record);
    if (handle == -1)
        return items;
    do
        items.push_back(record);
    while (platform::FindNext(handle, record));
    EXPECT_FALSE(platform::FindNext(handle, record));
    platform::FindClose(handle);
    EXPECT_FALSE(platform::FindNext(handle, record));
    return items;
}
} // namespace

TEST(PlatformListing, DotsFirstThenNamesInOrderWithTheirAttributes)
{
    TempDir dir;
    ASSERT_EQ(0, platform::MakeFolder(dir.Path("c_folder").c_str()));
    dir.Put("b.txt", std::string("abc"));
    dir.Put("A.txt", std::string());
    dir.Put(".dot", std::string("12345"));
    testsupport::Hide(dir.Path(".dot"));
    dir.Put("c_folder/inner", std::string("x"));

    std::vector<platform::FindRecord> items = ListAll(dir.Path());
    const char* const names[] = {".", "..", ".dot", "A.txt", "b.txt", "c_folder"};
    ASSERT_EQ(std::size(names), items.size());
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_STREQ(names[i], items[i].name) << i;
    const unsigned kinds = platform::AttrFolder | platform::AttrHidden | platform::AttrSystem;
    EXPECT_EQ(platform::AttrFolder, items[0].attrib & platform::AttrFolder);
    EXPECT_EQ(platform::AttrHidden, items[2].attrib & kinds);
    EXPECT_EQ(5u, items[2].size);
    EXPECT_EQ(0u, items[3].attrib & kinds);
    EXPECT_EQ(0u, items[3].size);
    EXPECT_EQ(0u, items[4].attrib & kinds);
    EXPECT_EQ(3u, items[4].size);
    EXPECT_EQ(platform::AttrFolder, items[5].attrib & kinds);

    // Times are seconds since 1970, as both systems count them.
    const long long now = static_cast<long long>(std::time(nullptr));
    EXPECT_LT(std::llabs(now - items[4].timeWrite), 86400);
    EXPECT_LT(std::llabs(now - items[4].timeCreate), 86400);

    // Nothing to list: no folder, or a file taken for one.
    EXPECT_TRUE(ListAll(dir.Path("missing")).empty());
    EXPECT_TRUE(ListAll(dir.Path("b.txt")).empty());
}

TEST(PlatformFolders, ServicesAnswerTheSystemsErrorNumbers)
{
    TempDir dir;
    const std::string a = dir.Path("a"), inner = dir.Path("a/inner"), file = dir.Path("a/f.txt");
    struct Step
    {
        const char* what;
        int result;
        int expected;
    };
    const Step steps[] = {
        {"make", platform::MakeFolder(a.c_str()), 0},
        {"make again", platform::MakeFolder(a.c_str()), EEXIST},
        {"make below a missing folder", platform::MakeFolder(dir.Path("none/x").c_str()), ENOENT},
        {"make inner", platform::MakeFolder(inner.c_str()), 0},
        {"remove a folder that holds one", platform::RemoveFolder(a.c_str()), ENOTEMPTY},
        {"remove inner", platform::RemoveFolder(inner.c_str()), 0},
        {"remove inner again", platform::RemoveFolder(inner.c_str()), ENOENT},
        {"delete a missing file", platform::DeleteFile(file.c_str()), ENOENT},
    };
    for (const Step& step : steps)
        EXPECT_EQ(step.expected, step.result) << step.what << ": " << platform::ErrorText(step.result);

    testsupport::WriteFile(file, std::string("x"));
    uint64_t size = 0;
    EXPECT_TRUE(platform::FindFileSize(file.c_str(), size));
    EXPECT_EQ(1u, size);
    EXPECT_FALSE(platform::FindFileSize(a.c_str(), size)) << "a folder has no file size";
    EXPECT_FALSE(platform::FindFileSize(dir.Path("a/*.txt").c_str(), size)) << "a pattern names no file";
    EXPECT_FALSE(platform::IsLink(file.c_str()));
    EXPECT_EQ(0, platform::DeleteFile(file.c_str()));
    EXPECT_FALSE(testsupport::FileExists(file));
    EXPECT_EQ(0, platform::RemoveFolder(a.c_str()));
    EXPECT_STREQ(std::strerror(ENOENT), platform::ErrorText(ENOENT));
}

TEST(PlatformFiles, OffsetsAndSizesPastFourGigabytes)
{
    // Written with one byte at the far end: sparse where the file system
    // allows it.
    TempDir dir;
    const std::string path = dir.Path("big.bin");
    const uint64_t far = (uint64_t(5) << 30) + 3;
    FILE* file = platform::OpenFile(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    ASSERT_TRUE(platform::SeekTo(file, far - 1));
    EXPECT_EQ(static_cast<int64_t>(far - 1), platform::TellOf(file));
    ASSERT_EQ(1u, std::fwrite("!", 1, 1, file));
    ASSERT_EQ(0, std::fclose(file));

    uint64_t size = 0;
    ASSERT_TRUE(platform::FindFileSize(path.c_str(), size));
    EXPECT_EQ(far, size);
    // A find record keeps the low 32 bits of the size.
    std::vector<platform::FindRecord> items = ListAll(dir.Path());
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(static_cast<uint32_t>(far), items[2].size);

    file = platform::OpenFile(path.c_str(), "rb");
    ASSERT_NE(nullptr, file);
    ASSERT_TRUE(platform::SeekEnd(file));
    EXPECT_EQ(static_cast<int64_t>(far), platform::TellOf(file));
    ASSERT_TRUE(platform::SeekTo(file, far - 1));
    EXPECT_EQ('!', std::fgetc(file));
    EXPECT_FALSE(platform::SeekTo(file, uint64_t(1) << 63));
    std::fclose(file);
    EXPECT_EQ(0, platform::DeleteFile(path.c_str()));
}
