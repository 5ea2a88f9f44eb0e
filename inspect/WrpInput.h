// Read cursor over the bytes of one world file, and the decoder of its cell
// blocks (stored plain, or packed with the entry compression tokens).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "../codec/Cursor.h"
#include "../codec/Lzss.h"
#include "WrpCodes.h"

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

    // A sticky cursor at the position, for a run of reads checked once;
    // Resume takes its position over unless it failed.
    codec::Cursor Cursor() const { return codec::Cursor(data, size, position); }
    bool Resume(const codec::Cursor& cursor)
    {
        if (cursor.Failed())
            return false;
        position = static_cast<size_t>(cursor.Position());
        return true;
    }

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

// Cell blocks are token streams that stop when the block is full, followed by
// their unsigned sum: 1 input ends, 6 flag bits set after the last byte, 7
// reference before the start of the output (or of distance 0), 8 sum differs.
inline constexpr codec::LzssPolicy WorldPacking = {
    codec::BeforeStart::Fail,
    codec::StopAt::OutputFull,
    codec::ByteSum::Unsigned,
    {wrp::PrematureEof, wrp::PrematureEof, wrp::BadReference, wrp::BadReference, wrp::ExcessBits, wrp::PrematureEof,
     wrp::BadChecksum},
};

// Decodes one block of n bytes at the cursor into out, which holds the
// capacity WrpBlockCapacity gives. Answers 0 or a code of WorldPacking.
int DecodeWrpBlock(WrpInput& input, unsigned char* out, size_t n, bool plain);

// Bytes to allocate for decoding a block of n bytes from the bytes that
// remain. A packed stream produces at most 9 bytes for each byte it reads (an
// 18-byte reference takes 2), so a block larger than that is decoded into a
// scratch block of what the input can produce, which ends with the stream's
// own error code; a plain block larger than the input gets 0 and is refused.
uint64_t WrpBlockCapacity(const WrpInput& input, uint64_t n, bool plain);
