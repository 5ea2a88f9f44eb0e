// File to file copies of the platform layer: the system's copy and the block
// loop give the same bytes, at any offset and size, and fail the same way.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/Platform.h"
#include "support/CopyPaths.h"
#include "support/Rows.h"
#include "support/TempDir.h"

using testsupport::Bytes;
using testsupport::LoopCopyOnly;
using testsupport::Noise;
using testsupport::TempDir;

namespace
{
struct Row
{
    const char* what;
    size_t sourceSize;
    uint64_t offset;
    uint64_t size;
    size_t headSize; // bytes the output stream holds (buffered) before the copy
    bool ok;
};

// Offsets and sizes across the loop's 1 MB block, offsets at the same place
// within a page (where the system copies file to file) and apart (where
// large copies go through a pipe and small ones through the loop), empty
// copies, and copies that run past the source's end.
const Row rows[] = {
    {"whole small file", 1000, 0, 1000, 0, true},
    {"middle after a buffered head", 5000, 123, 4000, 77, true},
    {"several blocks", (3u << 20) + 12345, 1, (3u << 20) + 12000, 10, true},
    {"exactly one block", 2u << 20, 1u << 19, 1u << 20, 0, true},
    {"same place within a page", (3u << 20) + 99, 4096 + 77, (3u << 20) - 5000, 77, true},
    {"same place, short", 9000, 8192 + 5, 700, 5, true},
    {"nothing", 100, 50, 0, 5, true},
    {"past the end", 100, 50, 51, 3, false},
    {"far past the end, offsets apart", 300000, 3, 400000, 1, false},
    {"through the pipe, just large enough", 70000, 5, 65536, 0, true},
    {"offset past the end", 100, 200, 1, 0, false},
};
} // namespace

TEST(PlatformCopy, SystemCopyAndLoopGiveTheSameBytes)
{
    TempDir dir;
    testsupport::CheckRows(rows, [&](const Row& row) {
        const Bytes source = Noise(row.sourceSize, static_cast<uint32_t>(row.sourceSize));
        const std::string sourcePath = dir.Put("source.bin", source);
        const Bytes head = Noise(row.headSize, 7);
        Bytes expected(head);
        if (row.ok)
            expected.insert(expected.end(), source.begin() + static_cast<long>(row.offset),
                            source.begin() + static_cast<long>(row.offset + row.size));
        for (bool loop : {false, true})
        {
            SCOPED_TRACE(loop ? "loop" : "system copy");
            LoopCopyOnly off(loop);
            FILE* from = platform::OpenFile(sourcePath.c_str(), "rb");
            FILE* to = platform::OpenFile(dir.Path("stream.bin").c_str(), "wb");
            ASSERT_TRUE(from && to);
            // The source's own position stays where it was.
            ASSERT_EQ(std::fgetc(from), source.empty() ? EOF : source[0]);
            ASSERT_EQ(std::fwrite(head.data(), 1, head.size(), to), head.size());
            const int copied = platform::CopyRange(from, row.offset, to, row.size);
            EXPECT_EQ(copied == 0, row.ok) << copied;
            if (row.ok)
            {
                // The stream goes on after the copied bytes.
                EXPECT_EQ(platform::TellOf(to), static_cast<int64_t>(expected.size()));
                EXPECT_EQ(std::fputc('!', to), '!');
                expected.push_back('!');
            }
            if (source.size() > 1)
            {
                EXPECT_EQ(std::fgetc(from), source[1]);
            }
            std::fclose(from);
            std::fclose(to);
            if (row.ok)
            {
                EXPECT_EQ(dir.Read("stream.bin"), expected);
                expected.pop_back();
            }

            // The same bytes written as a new file of their own.
            from = platform::OpenFile(sourcePath.c_str(), "rb");
            ASSERT_TRUE(from);
            const std::string target = dir.Path("made.bin");
            const int made = platform::WriteFileFrom(target.c_str(), from, row.offset, row.size);
            std::fclose(from);
            EXPECT_EQ(made == 0, row.ok) << made;
            if (row.ok)
            {
                EXPECT_EQ(dir.Read("made.bin"),
                          Bytes(expected.begin() + static_cast<long>(head.size()), expected.end()));
            }
            else
            {
                EXPECT_FALSE(dir.Exists("made.bin")) << "a failed copy leaves no file";
            }
            platform::DeleteFile(target.c_str());
            EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"source.bin", "stream.bin"}))
                << "no temporary file left";
        }
    });
}

#if !defined(_WIN32)
#include <unistd.h>

// A link at the name is replaced by the new file; what it points to stays
// as it was.
TEST(PlatformCopy, NewFileReplacesALinkNeverWritesThroughIt)
{
    TempDir dir;
    const std::string victim = dir.Put("victim.txt", std::string("keep"));
    const Bytes bytes = Noise(64, 1);
    const std::string source = dir.Put("source.bin", bytes);
    const std::string link = dir.Path("link.bin");
    ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    for (bool loop : {false, true})
    {
        LoopCopyOnly off(loop);
        FILE* from = platform::OpenFile(source.c_str(), "rb");
        ASSERT_TRUE(from);
        EXPECT_EQ(platform::WriteFileFrom(link.c_str(), from, 0, 64), 0);
        std::fclose(from);
        EXPECT_EQ(dir.Text("victim.txt"), "keep");
        EXPECT_FALSE(platform::IsLink(link.c_str()));
        EXPECT_EQ(dir.Read("link.bin"), bytes);
        platform::DeleteFile(link.c_str());
        ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
    }
    // No temporary file is left beside it.
    EXPECT_EQ(dir.Listing(), (std::vector<std::string>{"link.bin", "source.bin", "victim.txt"}));
}
#endif
