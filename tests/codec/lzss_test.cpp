// The token decoder under the archive's and the world's policies, checked
// against a byte-at-a-time decoder written here, on worked, damaged, random
// and compressed streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "codec/Lzss.h"
#include "inspect/DeWrp.h"
#include "inspect/WrpInput.h"
#include "pbo/Decompress.h"
#include "support/Compressor.h"

using testsupport::Bytes;

namespace
{
enum class Use
{
    Entry,  // archive entries: whole block, spaces before the start
    World,  // world cells through the reader: stop when full, faults before the start
    Pixels, // entries with a signed sum
};

const codec::LzssPolicy PixelsPacking = {EntryPacking.beforeStart, EntryPacking.stop, codec::ByteSum::Signed,
                                         EntryPacking.codes};

const codec::LzssPolicy& PolicyOf(Use use)
{
    return use == Use::World ? WorldPacking : use == Use::Pixels ? PixelsPacking : EntryPacking;
}

// The stream rules one token at a time, without the decoder's block copies:
// answers the code and the bytes produced before it (and where the sum sits).
int Reference(const Bytes& in, uint64_t size, const codec::LzssPolicy& policy, Bytes& out, size_t* sumPlace = nullptr)
{
    const codec::LzssCodes& c = policy.codes;
    const bool toEnd = policy.stop == codec::StopAt::InputEnd;
    const uint64_t capacity = toEnd ? size + 1 : size;
    out.clear();
    if (toEnd && in.size() <= 4)
        return c.inputEnds;
    const size_t end = toEnd ? in.size() - 4 : in.size();
    size_t i = 0;
    while (toEnd ? i < end : out.size() < size)
    {
        if (i >= end)
            return c.inputEnds;
        const unsigned flags = in[i++];
        for (int bit = 0; bit < 8; ++bit)
        {
            if (i >= end)
            {
                if (toEnd)
                    break;
                return c.inputEnds;
            }
            if (flags & (1u << bit))
            {
                if (out.size() >= capacity)
                    return c.overrun;
                out.push_back(in[i++]);
            }
            else
            {
                if (!toEnd && end - i < 2)
                    return c.inputEnds;
                const unsigned b0 = in[i], b1 = in[i + 1];
                i += 2;
                const long offset = static_cast<long>(b0 + 256 * (b1 >> 4));
                uint64_t length = (b1 & 15) + 3;
                if (offset == 0)
                    return c.zeroOffset;
                if (offset > static_cast<long>(out.size()) && policy.beforeStart == codec::BeforeStart::Fail)
                    return c.beforeStart;
                if (!toEnd && length > size - out.size())
                    length = size - out.size();
                if (out.size() + length > capacity)
                    return c.overrun;
                for (uint64_t j = 0; j < length; ++j)
                {
                    const long at = static_cast<long>(out.size()) - offset;
                    out.push_back(at < 0 ? ' ' : out[static_cast<size_t>(at)]);
                }
            }
            if (!toEnd && out.size() == size)
            {
                if (flags >> (bit + 1))
                    return c.excessBits;
                break;
            }
        }
    }
    if (out.size() < size)
        return c.shortOutput;
    const size_t sumAt = toEnd ? end : i;
    if (in.size() - sumAt < 4)
        return c.inputEnds;
    if (sumPlace)
        *sumPlace = sumAt;
    uint32_t sum = 0;
    for (size_t k = 0; k < size; ++k)
        sum += policy.sum == codec::ByteSum::Signed ? static_cast<uint32_t>(static_cast<signed char>(out[k])) : out[k];
    uint32_t stored = 0;
    for (int k = 3; k >= 0; --k)
        stored = stored * 256 + in[sumAt + static_cast<size_t>(k)];
    return sum == stored ? 0 : c.badChecksum;
}

struct Decoded
{
    int code;
    Bytes block; // the whole output block
    size_t used; // World: input bytes the reader passed
};

// Entries and pixels: the decoder on a block of exactly size + 1 bytes that
// starts full of garbage, so the sanitizers see any write beyond it. World:
// through the reader, which sizes the block from what the input can produce.
Decoded Decode(Use use, const Bytes& packed, uint64_t size)
{
    Decoded run{0, {}, 0};
    if (use == Use::World)
    {
        WrpInput input;
        input.Attach(packed.data(), packed.size());
        WrpBytes out;
        run.code = DeWrp::ExtractBlock(input, out, size, false);
        run.block.assign(out.Data(), out.Data() + out.Size());
        run.used = input.Position();
        return run;
    }
    const size_t n = static_cast<size_t>(size) + 1;
    unsigned char* block = static_cast<unsigned char*>(std::malloc(n));
    std::memset(block, 0xCD, n);
    run.code = codec::LzssDecode(packed.data(), packed.size(), block, static_cast<size_t>(size), n, PolicyOf(use));
    run.block.assign(block, block + n);
    std::free(block);
    return run;
}

// The decoder agrees with the reference on the code and on every byte
// produced; the rest of an entry block is zero.
void ExpectAgrees(Use use, const Bytes& packed, uint64_t size, const std::string& what)
{
    Bytes want;
    const int code = Reference(packed, size, PolicyOf(use), want);
    const Decoded got = Decode(use, packed, size);
    ASSERT_EQ(got.code, code) << what;
    if (use == Use::World && code != 0)
        return; // the reader drops a damaged block
    ASSERT_GE(got.block.size(), want.size()) << what;
    ASSERT_EQ(Bytes(got.block.begin(), got.block.begin() + static_cast<long>(want.size())), want) << what;
    for (size_t k = want.size(); k < got.block.size(); ++k)
        ASSERT_EQ(got.block[k], 0) << what << " byte " << k;
}

struct Case
{
    const char* what;
    Use use;
    Bytes packed;
    uint64_t size;
    int code;
    std::string produced; // checked when code is 0
};

const Bytes AbcAbcAbc = {0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0x00, 0x00};
} // namespace

TEST(Lzss, WorkedAndDamagedStreams)
{
    const Case cases[] = {
        {"overlapping run", Use::Entry, AbcAbcAbc, 9, 0, "abcabcabc"},
        {"spaces before the start", Use::Entry, {0x00, 0x05, 0x00, 0x60, 0x00, 0x00, 0x00}, 3, 0, "   "},
        {"four bytes", Use::Entry, {0x01, 0x02, 0x03, 0x04}, 0, -4, ""},
        {"no bytes", Use::Entry, {}, 0, -4, ""},
        {"offset 0", Use::Entry, {0x00, 0x00, 0x05, 0, 0, 0, 0}, 8, -5, ""},
        {"one flipped sum bit", Use::Entry, {0x07, 'a', 'b', 'c', 0x03, 0x03, 0x72, 0x03, 0x01, 0x00}, 9, -6, ""},
        {"more than size + 1 bytes", Use::Entry, AbcAbcAbc, 4, -4, ""},
        {"ends before size", Use::Entry, {0x07, 'a', 'b', 'c', 0x26, 0x01, 0, 0}, 6, -6, ""},
        // Flag bits after the last token byte are ignored.
        {"flag bits after the end", Use::Entry, {0x03, 'h', 'i', 0xD1, 0, 0, 0}, 2, 0, "hi"},
        // A reference at the last token byte takes its second byte from the
        // sum: "a" and four spaces sum to 0xE1, read as offset 0xE01, length 4.
        {"reference borrows the sum", Use::Entry, {0x01, 'a', 0x01, 0xE1, 0x00, 0x00, 0x00}, 5, 0, "a    "},
        {"signed sum", Use::Pixels, {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, 0, "\xFF"},
        {"signed sum taken as unsigned", Use::Pixels, {0x01, 0xFF, 0xFF, 0, 0, 0}, 1, -6, ""},
        {"four literals", Use::World, {0x0F, 'a', 'b', 'c', 'd', 0x8A, 0x01, 0, 0}, 4, 0, "abcd"},
        {"wrong sum", Use::World, {0x0F, 'a', 'b', 'c', 'd', 0x8B, 0x01, 0, 0}, 4, 8, ""},
        {"one bit after the last byte", Use::World, {0x1F, 'a', 'b', 'c', 'd', 0x8A, 0x01, 0, 0}, 4, 6, ""},
        {"before the start", Use::World, {0x03, 'a', 'b', 0x05, 0x00, 0, 0, 0, 0}, 5, 7, ""},
        {"distance 0", Use::World, {0x01, 'a', 0x00, 0x00, 0, 0, 0, 0}, 4, 7, ""},
        {"world overlapping run", Use::World, AbcAbcAbc, 9, 0, "abcabcabc"},
        {"reference cut at the end", Use::World, {0x03, 'a', 'b', 0x02, 0x0F, 0xE7, 0x01, 0, 0}, 5, 0, "ababa"},
        {"empty block", Use::World, {0, 0, 0, 0}, 0, 0, ""},
        {"empty block, sum not 0", Use::World, {1, 0, 0, 0}, 0, 8, ""},
        {"empty block without sum", Use::World, {0, 0, 0}, 0, 1, ""},
        {"no flag byte", Use::World, {}, 2, 1, ""},
        {"ends inside a literal run", Use::World, {0xFF, 'a', 'b', 'c', 'd', 'e'}, 20, 1, ""},
        {"ends inside a reference", Use::World, {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x00, 0x01}, 30, 1, ""},
        {"ends before the sum", Use::World, {0x0F, 'a', 'b', 'c', 'd', 0x8A, 0x01}, 4, 1, ""},
        {"larger than the input holds", Use::World, {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 1000, 1, ""},
        {"larger, bad reference", Use::World, {0x00, 0x01, 0x0F, 0, 0, 0, 0}, 1000, 7, ""},
        {"4 GiB from a few bytes", Use::World, {0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 1ull << 32, 1, ""},
    };
    for (const Case& c : cases)
    {
        const Decoded run = Decode(c.use, c.packed, c.size);
        EXPECT_EQ(run.code, c.code) << c.what;
        ExpectAgrees(c.use, c.packed, c.size, c.what);
        if (c.code == 0)
        {
            EXPECT_EQ(std::string(run.block.begin(), run.block.begin() + static_cast<long>(c.size)), c.produced)
                << c.what;
            if (c.use == Use::World)
            {
                EXPECT_EQ(run.used, c.packed.size()) << c.what;
            }
        }
    }
}

TEST(Lzss, AgreesWithTheReferenceOnRandomStreams)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 4500; ++round)
    {
        const Use use = static_cast<Use>(round % 3);
        const size_t length = 5 + random() % (round % 4 == 0 ? 600 : 120);
        Bytes packed(length);
        for (unsigned char& b : packed)
            b = static_cast<unsigned char>(random());
        // Mostly small offsets, so that runs overlap their source often, and
        // mostly literal flags for the world, which fails at the first
        // reference before the start.
        for (size_t k = 1; k + 1 < length; k += 3)
        {
            if (random() % 2)
                packed[k + 1] = static_cast<unsigned char>(packed[k + 1] & 0x1F);
        }
        if (use == Use::World)
            packed[0] = 0xFF;
        const uint64_t size = random() % (round % 4 == 0 ? 4000 : 400);
        // Make half of them valid by fixing the sum where it sits.
        Bytes want;
        const codec::LzssPolicy& policy = PolicyOf(use);
        size_t sumAt = 0;
        const int code = Reference(packed, size, policy, want, &sumAt);
        if (code == policy.codes.badChecksum && want.size() >= size && round % 2 == 0)
        {
            uint32_t sum = 0;
            for (size_t k = 0; k < size; ++k)
                sum += use == Use::Pixels ? static_cast<uint32_t>(static_cast<signed char>(want[k])) : want[k];
            for (int k = 0; k < 4; ++k)
                packed[sumAt + static_cast<size_t>(k)] = static_cast<unsigned char>(sum >> (8 * k));
        }
        ExpectAgrees(use, packed, size, "round " + std::to_string(round));
    }
}

TEST(Lzss, CompressedDataRoundTripsAndDamageEndsWithACode)
{
    // Sizes around the fast path's room, every short distance, long runs.
    std::vector<Bytes> inputs = {testsupport::TextLike(20000, 1),
                                 testsupport::Repetitive(1),
                                 testsupport::Repetitive(151),
                                 testsupport::Repetitive(152),
                                 testsupport::Repetitive(153),
                                 testsupport::Repetitive(100000),
                                 testsupport::TextLike(3, 1),
                                 Bytes{'x'},
                                 Bytes(300, ' '),
                                 Bytes(70000, 0x55)};
    for (size_t distance = 1; distance <= 20; ++distance)
    {
        Bytes input(400);
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<unsigned char>('A' + i % distance);
        inputs.push_back(input);
    }
    for (const Bytes& input : inputs)
    {
        const Bytes packed = testsupport::Compress(input);
        for (Use use : {Use::Entry, Use::World})
        {
            const Decoded run = Decode(use, packed, input.size());
            ASSERT_EQ(run.code, 0) << input.size();
            EXPECT_EQ(Bytes(run.block.begin(), run.block.begin() + static_cast<long>(input.size())), input);
            if (use == Use::World)
            {
                EXPECT_EQ(run.used, packed.size());
            }
        }
    }
    const Bytes input = testsupport::TextLike(5000, 3);
    const Bytes packed = testsupport::Compress(input);
    for (size_t at = 0; at < packed.size(); at += 7)
    {
        Bytes damaged = packed;
        damaged[at] ^= 0x5A;
        for (Use use : {Use::Entry, Use::World})
            ExpectAgrees(use, damaged, input.size(), "flip at " + std::to_string(at));
    }
    for (size_t cut = 0; cut < packed.size(); cut += 13)
    {
        const Bytes prefix(packed.begin(), packed.begin() + static_cast<long>(cut));
        EXPECT_EQ(Decode(Use::World, prefix, input.size()).code, 1) << cut;
        ExpectAgrees(Use::Entry, prefix, input.size(), "cut at " + std::to_string(cut));
    }
}

TEST(Lzss, WordCopiesNeverWritePastTheBlock)
{
    // Seven longest references, then one of offset 8 copied in whole words,
    // which ends exactly at the end of a 144-byte block. Guard bytes behind
    // the block must stay untouched.
    Bytes packed{0x00};
    for (int t = 0; t < 7; ++t)
        packed.insert(packed.end(), {20, 0x0F});
    packed.insert(packed.end(), {8, 0x0F, 0, 0, 0, 0});
    for (unsigned size : {143u, 144u, 147u})
    {
        Bytes block(size + 1 + 16, 0xCD);
        const int result = codec::LzssDecode(packed.data(), packed.size(), block.data(), size, size + 1, EntryPacking);
        Bytes want;
        EXPECT_EQ(result, Reference(packed, size, EntryPacking, want)) << size;
        EXPECT_EQ(Bytes(block.begin(), block.begin() + 144), want) << size;
        for (size_t k = size + 1; k < block.size(); ++k)
            ASSERT_EQ(block[k], 0xCD) << size << " guard byte " << k;
    }
}

TEST(Lzss, MaxOutputBoundsEveryStream)
{
    // Groups of eight 18-byte references produce the most output.
    Bytes packed;
    for (int group = 0; group < 4; ++group)
    {
        packed.push_back(0x00);
        for (int t = 0; t < 8; ++t)
            packed.insert(packed.end(), {0x01, 0x0F});
    }
    packed.insert(packed.end(), 4, 0);
    Bytes want;
    Reference(packed, 100000, EntryPacking, want);
    EXPECT_EQ(want.size(), 4u * 8 * 18);
    EXPECT_LE(want.size(), MaxUnpackedSize(static_cast<unsigned>(packed.size())));
    EXPECT_LE(want.size(), codec::LzssMaxOutput(packed.size() - 4, codec::StopAt::OutputFull));
    EXPECT_EQ(MaxUnpackedSize(4), 0u);
}
