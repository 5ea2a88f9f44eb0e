#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "pbo/Decompress.h"
#include "support/Compressor.h"

using testsupport::Bytes;

namespace
{
// The byte-at-a-time rule, written independently of the library's block
// copies: answers the code and the produced bytes (never more than limit).
int Reference(const Bytes& packed, size_t expected, Bytes& out)
{
    out.clear();
    if (packed.size() <= 4)
        return -4;
    size_t end = packed.size() - 4, i = 0;
    while (i < end)
    {
        unsigned flags = packed[i++];
        for (int bit = 0; bit < 8 && i < end; ++bit)
        {
            if (flags & (1u << bit))
            {
                if (out.size() >= expected + 1)
                    return -4;
                out.push_back(packed[i++]);
                continue;
            }
            unsigned b0 = packed[i], b1 = packed[i + 1];
            i += 2;
            long offset = static_cast<long>(b0 + 256 * (b1 >> 4));
            size_t length = (b1 & 15) + 3;
            if (offset == 0)
                return -5;
            if (out.size() + length > expected + 1)
                return -4;
            long start = static_cast<long>(out.size()) - offset;
            for (size_t j = 0; j < length; ++j)
            {
                long at = start + static_cast<long>(j);
                out.push_back(at < 0 ? ' ' : out[static_cast<size_t>(at)]);
            }
        }
    }
    if (out.size() < expected)
        return -6;
    uint32_t sum = 0;
    for (size_t k = 0; k < expected; ++k)
        sum += out[k];
    uint32_t stored = packed[end] | (packed[end + 1] << 8) | (packed[end + 2] << 16) |
                      (static_cast<uint32_t>(packed[end + 3]) << 24);
    return sum == stored ? 0 : -6;
}

// Runs the library's decoder on a block of exactly expected + 1 bytes, so the
// sanitizers see any write beyond it; the block starts full of garbage.
int Unpack(const Bytes& packed, unsigned expected, Bytes& out)
{
    unsigned char* block = static_cast<unsigned char*>(std::malloc(expected + 1));
    std::memset(block, 0xCD, expected + 1);
    int result = Decompress(packed.data(), static_cast<unsigned>(packed.size()), block, expected);
    out.assign(block, block + expected + 1);
    std::free(block);
    return result;
}
} // namespace

TEST(Decompress, WorkedExamples)
{
    Bytes out;
    EXPECT_EQ(Unpack({0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0x00, 0x00}, 9, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 9), "abcabcabc");
    EXPECT_EQ(Unpack({0x00, 0x05, 0x00, 0x60, 0x00, 0x00, 0x00}, 3, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "   ");
}

TEST(Decompress, Failures)
{
    Bytes out;
    EXPECT_EQ(Unpack({0x01, 0x02, 0x03, 0x04}, 0, out), -4);
    EXPECT_EQ(Unpack({}, 0, out), -4);
    EXPECT_EQ(Unpack({0x00, 0x00, 0x05, 0, 0, 0, 0}, 8, out), -5);
    // One flipped checksum bit: -6, the bytes stay.
    EXPECT_EQ(Unpack({0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0x01, 0x00}, 9, out), -6);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 9), "abcabcabc");
    // The stream would produce more than expected + 1 bytes.
    EXPECT_EQ(Unpack({0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0x00, 0x00}, 4, out), -4);
    // The stream ends early: -6, and the missing bytes are zero, not old memory.
    EXPECT_EQ(Unpack({0x07, 'a', 'b', 'c', 0x26, 0x01, 0, 0}, 6, out), -6);
    EXPECT_EQ(out, Bytes({'a', 'b', 'c', 0, 0, 0, 0}));
}

TEST(Decompress, FlagBitsAfterTheLastTokenAreIgnored)
{
    // Flag 0x03: two literals, then the input ends; bits 2..7 would be
    // references but nothing is left to read.
    Bytes out;
    EXPECT_EQ(Unpack({0x03, 'h', 'i', 0xD1, 0, 0, 0}, 2, out), 0);
    EXPECT_EQ(out[0], 'h');
    // A reference whose first byte is the last token byte takes its second
    // byte from the checksum. "a" and four spaces sum to 0xE1; as b1, 0xE1
    // means offset 0xE01 (before the start: spaces) and length 4.
    EXPECT_EQ(Unpack({0x01, 'a', 0x01, 0xE1, 0x00, 0x00, 0x00}, 5, out), 0);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 5), "a    ");
}

TEST(Decompress, RoundTripsThroughTheTestCompressor)
{
    for (const Bytes& input : {testsupport::TextLike(20000, 1), testsupport::Repetitive(5000), Bytes{'x'},
                               Bytes(300, ' '), Bytes(70000, 0)})
    {
        Bytes packed = testsupport::Compress(input);
        Bytes out;
        ASSERT_EQ(Unpack(packed, static_cast<unsigned>(input.size()), out), 0);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(input.size())), input);
    }
}

TEST(Decompress, AgreesWithTheByteAtATimeRuleOnRandomStreams)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round)
    {
        size_t length = 5 + random() % (round % 3 == 0 ? 600 : 120);
        Bytes packed(length);
        for (unsigned char& b : packed)
            b = static_cast<unsigned char>(random());
        // Keep offsets mostly small so that runs overlap their source often.
        for (size_t k = 1; k + 1 < length; k += 3)
        {
            if (random() % 2)
                packed[k + 1] = static_cast<unsigned char>(packed[k + 1] & 0x1F);
        }
        unsigned expected = static_cast<unsigned>(random() % (round % 3 == 0 ? 4000 : 400));
        Bytes want, got;
        int code = Reference(packed, expected, want);
        // Make some of them valid by fixing the checksum.
        if (code == -6 && want.size() >= expected && round % 2 == 0)
        {
            uint32_t sum = 0;
            for (size_t k = 0; k < expected; ++k)
                sum += want[k];
            for (int k = 0; k < 4; ++k)
                packed[length - 4 + k] = static_cast<unsigned char>(sum >> (8 * k));
            code = Reference(packed, expected, want);
        }
        int result = Unpack(packed, expected, got);
        ASSERT_EQ(result, code) << "round " << round;
        ASSERT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(want.size())), want) << "round " << round;
        for (size_t k = want.size(); k < got.size(); ++k)
            ASSERT_EQ(got[k], 0) << "round " << round;
    }
}

TEST(Decompress, WordCopiesNeverWritePastTheBlock)
{
    // Seven longest references, then one of offset 8 copied in whole words,
    // which ends exactly at the end of a 144-byte block. Guard bytes behind
    // the block must stay untouched.
    Bytes packed{0x00};
    for (int t = 0; t < 7; ++t)
        packed.insert(packed.end(), {20, 0x0F});
    packed.insert(packed.end(), {8, 0x0F, 0, 0, 0, 0});
    for (unsigned expected : {143u, 144u, 147u})
    {
        Bytes block(expected + 1 + 16, 0xCD);
        int result = Decompress(packed.data(), static_cast<unsigned>(packed.size()), block.data(), expected);
        Bytes want;
        EXPECT_EQ(result, Reference(packed, expected, want)) << expected;
        EXPECT_EQ(Bytes(block.begin(), block.begin() + 144), want) << expected;
        for (size_t k = expected + 1; k < block.size(); ++k)
            ASSERT_EQ(block[k], 0xCD) << expected << " guard byte " << k;
    }
}

TEST(Decompress, MaxUnpackedSizeBoundsEveryStream)
{
    // Sixteen bytes of references of length 18 produce the most output.
    Bytes packed;
    for (int group = 0; group < 4; ++group)
    {
        packed.push_back(0x00);
        for (int t = 0; t < 8; ++t)
        {
            packed.push_back(0x01);
            packed.push_back(0x0F);
        }
    }
    packed.insert(packed.end(), 4, 0);
    Bytes want;
    Reference(packed, 100000, want);
    EXPECT_LE(want.size(), MaxUnpackedSize(static_cast<unsigned>(packed.size())));
    EXPECT_EQ(MaxUnpackedSize(4), 0u);
}
