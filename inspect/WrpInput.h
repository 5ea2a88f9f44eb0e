#pragma once

// Read cursor over the bytes of one world file, and the decoder of its cell
// blocks (stored plain, or packed with the entry compression tokens).

#include <cstddef>
#include <cstdint>
#include <memory>

// An owned block of bytes, left uninitialised when allocated.
class WrpBytes
{
public:
    // Replaces the block by a fresh one of n bytes; false (block empty) when
    // it cannot be allocated.
    bool Allocate(uint64_t n);
    void Reset()
    {
        bytes.reset();
        count = 0;
    }
    unsigned char* Data() const { return bytes.get(); }
    size_t Size() const { return count; }

private:
    std::unique_ptr<unsigned char[]> bytes;
    size_t count = 0;
};

// Each world reader owns its cursor, so two readers never disturb each other.
class WrpInput
{
public:
    void Attach(const unsigned char* bytes, size_t length)
    {
        data = bytes;
        size = length;
        position = 0;
    }
    void Detach() { Attach(nullptr, 0); }

    const unsigned char* Data() const { return data; }
    size_t Size() const { return size; }
    size_t Position() const { return position; }
    size_t Remaining() const { return size - position; }
    const unsigned char* Here() const { return data + position; }

    // The next byte (0-255), or -1 at the end.
    int ReadByte() { return position < size ? data[position++] : -1; }
    // Copies n bytes and advances; false (nothing copied) when fewer remain.
    bool Read(void* destination, uint64_t n);
    bool ReadU32(uint32_t& value);
    bool Skip(uint64_t n);

private:
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t position = 0;
};

// Decodes one block of n bytes at the cursor into out, which holds the
// capacity WrpBlockCapacity gives. Answers 0, or the world reader's codes:
// 1 input ends, 6 flag bits set after the last byte, 7 reference before the
// start of the output (or of distance 0), 8 checksum differs.
int DecodeWrpBlock(WrpInput& input, unsigned char* out, size_t n, bool plain);

// Bytes to allocate for decoding a block of n bytes from the bytes that
// remain. A packed stream produces at most 9 bytes for each byte it reads (an
// 18-byte reference takes 2), so a block larger than that is decoded into a
// scratch block of what the input can produce (plus the word-copy room),
// which ends with the stream's own error code; a plain block larger than the
// input gets 0 and is refused.
uint64_t WrpBlockCapacity(const WrpInput& input, uint64_t n, bool plain);
