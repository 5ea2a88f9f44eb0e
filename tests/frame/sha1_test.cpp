// SHA-1 and HMAC-SHA1 against the published test vectors, whole and fed in
// pieces.

#include <gtest/gtest.h>

#include <string>

#include "frame/Sha1.h"

namespace
{
std::string Hex(const unsigned char* bytes, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i)
    {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::string Sha1Hex(const std::string& data, size_t piece, bool portable = false)
{
    Sha1 sha;
    sha.UsePortable(portable);
    for (size_t at = 0; at < data.size(); at += piece)
        sha.Update(data.data() + at, std::min(piece, data.size() - at));
    unsigned char digest[Sha1::DigestSize];
    sha.Final(digest);
    return Hex(digest, sizeof digest);
}

std::string HmacHex(const std::string& key, const std::string& data, size_t piece)
{
    HmacSha1 mac(key.data(), key.size());
    for (size_t at = 0; at < data.size(); at += piece)
        mac.Update(data.data() + at, std::min(piece, data.size() - at));
    unsigned char digest[Sha1::DigestSize];
    mac.Final(digest);
    return Hex(digest, sizeof digest);
}

std::string Bytes25()
{
    std::string key;
    for (int i = 1; i <= 25; ++i)
        key += static_cast<char>(i);
    return key;
}
} // namespace

TEST(Sha1, PublishedVectors)
{
    struct Row
    {
        std::string data;
        const char* digest;
    } rows[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        // Lengths around the padding boundaries: 55 bytes fit one block, 56 need two.
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    };
    // Both paths: the processor's (where it has the instructions) and the
    // portable one.
    for (bool portable : {false, true})
        for (const Row& row : rows)
            for (size_t piece : {size_t(1), size_t(3), size_t(63), size_t(64), size_t(4096), size_t(1) << 20})
                EXPECT_EQ(Sha1Hex(row.data, piece, portable), row.digest)
                    << "length " << row.data.size() << " piece " << piece << " portable " << portable;
}

// Long pseudo-random inputs, fed in pieces of many sizes (within a block,
// across block ends, many blocks at once): the processor path and the
// portable one agree on every prefix length tried, and the pieces never
// change the digest.
TEST(Sha1, ProcessorPathMatchesPortable)
{
    std::string data(1u << 20, '\0');
    uint32_t seed = 2463534242u;
    for (char& c : data)
    {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        c = static_cast<char>(seed);
    }
    struct Row
    {
        size_t length;
        size_t piece;
    } rows[] = {
        {data.size(), 1},
        {data.size(), 17},
        {data.size(), 64},
        {data.size(), 65},
        {data.size(), 1000},
        {data.size(), 4095},
        {data.size(), 8192},
        {data.size() - 1, 1u << 20},
        {999983, 4096},
        {127, 127},
        {128, 1},
        {191, 64},
        {0, 1},
    };
    for (const Row& row : rows)
    {
        const std::string input = data.substr(0, row.length);
        const std::string portable = Sha1Hex(input, row.piece, true);
        EXPECT_EQ(Sha1Hex(input, row.piece, false), portable) << "length " << row.length << " piece " << row.piece;
        EXPECT_EQ(Sha1Hex(input, input.size() + 1, true), portable) << "length " << row.length;
    }
}

TEST(HmacSha1, Rfc2202Cases)
{
    struct Row
    {
        std::string key;
        std::string data;
        const char* digest;
    } rows[] = {
        {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {Bytes25(), std::string(50, '\xcd'), "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (const Row& row : rows)
        for (size_t piece : {size_t(1), size_t(7), size_t(4096)})
            EXPECT_EQ(HmacHex(row.key, row.data, piece), row.digest) << row.data << " piece " << piece;
}
