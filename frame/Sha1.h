// SHA-1 message digest (archive checksums) and HMAC-SHA1 keyed hash (Xbox
// config signatures).
// Self-contained: data may be fed in pieces of any size; the x86 SHA
// instructions are used where the processor has them.
#pragma once

#include <cstddef>
#include <cstdint>

class Sha1
{
public:
    static constexpr size_t DigestSize = 20;
    static constexpr size_t BlockSize = 64;

    Sha1() { Reset(); }
    void Reset();
    // The processor's SHA instructions can be used here (checked once, at run
    // time).
    static bool HasProcessorPath();
    // true: this object keeps to the portable code whatever the processor
    // has (tests compare the two paths). The digest is the same either way.
    void UsePortable(bool portable) { forcePortable = portable; }
    void Update(const void* data, size_t size);
    // Writes the 20 digest bytes in the order the hash produces them; the
    // object must be Reset before it hashes again.
    void Final(unsigned char digest[DigestSize]);

private:
    // count whole blocks, on the path this object uses.
    void Blocks(const unsigned char* data, size_t count);

    uint32_t state[5];
    uint64_t totalBytes;
    unsigned char pending[BlockSize];
    size_t pendingSize;
    bool forcePortable = false;
};

class HmacSha1
{
public:
    // Keys longer than a block are hashed first; shorter ones padded with zeros.
    HmacSha1(const void* key, size_t keySize);
    void Update(const void* data, size_t size) { inner.Update(data, size); }
    void Final(unsigned char digest[Sha1::DigestSize]);

private:
    Sha1 inner;
    unsigned char outerPad[Sha1::BlockSize];
};
