// World cell blocks: the packed token stream as the world stores it, its end,
// its checks, and round trips through the test compressor.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "inspect/DeWrp.h"
#include "support/Compressor.h"

using testsupport::Bytes;

namespace
{
struct BlockCase
{
    const char* what;
    Bytes packed;
    uint64_t n;
    int code;
    std::string produced; // checked when code is 0
};

int Decode(const Bytes& packed, uint64_t n, bool plain, WrpBytes& out, size_t* used = nullptr)
{
    WrpInput input;
    input.Attach(packed.data(), packed.size());
    int code = DeWrp::ExtractBlock(input, out, n, plain);
    if (used)
        *used = input.Position();
    return code;
}
} // namespace

TEST(WorldBlock, PackedStreams)
{
    const BlockCase cases[] = {
        {"four literals", {0x0F, 'a', 'b', 'c', 'd', 0x8A, 0x01, 0, 0}, 4, 0, "abcd"},
        {"wrong checksum", {0x0F, 'a', 'b', 'c', 'd', 0x8B, 0x01, 0, 0}, 4, 8, ""},
        {"one bit after the last byte", {0x1F, 'a', 'b', 'c', 'd', 0x8A, 0x01, 0, 0}, 4, 6, ""},
        {"distance 5 after two literals", {0x03, 'a', 'b', 0x05, 0x00, 0, 0, 0, 0}, 5, 7, ""},
        {"distance 0", {0x01, 'a', 0x00, 0x00, 0, 0, 0, 0}, 4, 7, ""},
        {"overlapping run", {0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0, 0}, 9, 0, "abcabcabc"},
        {"reference cut at the end", {0x03, 'a', 'b', 0x02, 0x0F, 0xE7, 0x01, 0, 0}, 5, 0, "ababa"},
        {"empty block", {0, 0, 0, 0}, 0, 0, ""},
        {"empty block, checksum not 0", {1, 0, 0, 0}, 0, 8, ""},
        {"empty block without checksum", {0, 0, 0}, 0, 1, ""},
        {"no flag byte", {}, 2, 1, ""},
        {"ends inside a literal run", {0xFF, 'a', 'b', 'c', 'd', 'e'}, 20, 1, ""},
        {"ends inside a reference", {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x00, 0x01}, 30, 1, ""},
        {"ends before the checksum", {0x0F, 'a', 'b', 'c', 'd', 0x8A, 0x01}, 4, 1, ""},
        {"larger than the input can hold", {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 1000, 1, ""},
        {"larger than the input can hold, bad reference", {0x00, 0x01, 0x0F, 0, 0, 0, 0}, 1000, 7, ""},
        {"4 GiB from a few bytes", {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 1ull << 32, 1, ""},
    };
    for (const BlockCase& c : cases)
    {
        WrpBytes out;
        size_t used = 0;
        EXPECT_EQ(Decode(c.packed, c.n, false, out, &used), c.code) << c.what;
        if (c.code == 0)
        {
            std::string produced(reinterpret_cast<const char*>(out.Data()), out.Size());
            EXPECT_EQ(produced, c.produced) << c.what;
            EXPECT_EQ(used, c.packed.size()) << c.what;
        }
    }
}

TEST(WorldBlock, PlainBlocksCopyAndCheckTheirLength)
{
    const Bytes bytes = {1, 2, 3, 4, 5};
    WrpBytes out;
    size_t used = 0;
    ASSERT_EQ(Decode(bytes, 5, true, out, &used), 0);
    EXPECT_EQ(Bytes(out.Data(), out.Data() + out.Size()), bytes);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(Decode(bytes, 6, true, out), 1);
    EXPECT_EQ(out.Data(), nullptr);
}

TEST(WorldBlock, RoundTripsThroughTheCompressor)
{
    // Sizes around the fast path's room, every short distance (repetitive
    // data) and long text runs.
    const Bytes inputs[] = {testsupport::Repetitive(1),       testsupport::Repetitive(151),
                            testsupport::Repetitive(152),     testsupport::Repetitive(153),
                            testsupport::Repetitive(100000),  testsupport::TextLike(100000, 7),
                            testsupport::TextLike(3, 1),      Bytes(70000, 0x55)};
    for (const Bytes& input : inputs)
    {
        Bytes packed = testsupport::Compress(input);
        WrpBytes out;
        size_t used = 0;
        ASSERT_EQ(Decode(packed, input.size(), false, out, &used), 0) << input.size();
        EXPECT_EQ(Bytes(out.Data(), out.Data() + out.Size()), input) << input.size();
        EXPECT_EQ(used, packed.size());
    }
    for (size_t distance = 1; distance <= 20; ++distance)
    {
        Bytes input(400);
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<unsigned char>('A' + i % distance);
        Bytes packed = testsupport::Compress(input);
        WrpBytes out;
        ASSERT_EQ(Decode(packed, input.size(), false, out), 0) << distance;
        EXPECT_EQ(Bytes(out.Data(), out.Data() + out.Size()), input) << distance;
    }
}

TEST(WorldBlock, DamagedStreamsEndWithACode)
{
    const Bytes input = testsupport::TextLike(5000, 3);
    const Bytes packed = testsupport::Compress(input);
    for (size_t at = 0; at < packed.size(); at += 7)
    {
        Bytes damaged = packed;
        damaged[at] ^= 0x5A;
        WrpBytes out;
        int code = Decode(damaged, input.size(), false, out);
        EXPECT_TRUE(code == 0 || code == 1 || code == 6 || code == 7 || code == 8) << at << " " << code;
    }
    for (size_t cut = 0; cut < packed.size(); cut += 13)
    {
        WrpBytes out;
        EXPECT_EQ(Decode(Bytes(packed.begin(), packed.begin() + cut), input.size(), false, out), 1) << cut;
    }
}
