// Bounded read cursor over bytes in memory whose failure is sticky: a run of
// reads is checked once at its end. Used by the readers of every binary format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../frame/ByteOrder.h"

namespace ostrel_internal
{
namespace codec
{
// A read that finds too few bytes answers zero (or null), leaves the position
// where it was and sets the failed flag, which no later read clears. The
// position may lie past the end after Advance; every read from there fails.
class Cursor
{
public:
    Cursor() = default;
    Cursor(const unsigned char* bytes, size_t length, uint64_t at = 0) : data(bytes), size(length), position(at) {}

    const unsigned char* Data() const { return data; }
    size_t Size() const { return size; }
    uint64_t Position() const { return position; }
    uint64_t Remaining() const { return position < size ? size - position : 0; }
    bool Failed() const { return failed; }
    bool Ok() const { return !failed; }

    // The n bytes at the position, which the cursor then passes; null when
    // fewer remain.
    const unsigned char* Take(uint64_t n)
    {
        if (position > size || size - position < n)
        {
            failed = true;
            return nullptr;
        }
        const unsigned char* p = data + position;
        position += n;
        return p;
    }
    bool Read(void* destination, uint64_t n)
    {
        const unsigned char* p = Take(n);
        if (p && n)
            std::memcpy(destination, p, static_cast<size_t>(n));
        return p != nullptr;
    }
    bool Skip(uint64_t n) { return Take(n) != nullptr; }
    // Moves by a size read from the input without reading what it covers.
    void Advance(uint64_t n) { position = n > UINT64_MAX - position ? UINT64_MAX : position + n; }

    uint8_t U8()
    {
        const unsigned char* p = Take(1);
        return p ? p[0] : 0;
    }
    uint16_t U16()
    {
        const unsigned char* p = Take(2);
        return p ? byteorder::LoadU16(p) : 0;
    }
    uint32_t U24()
    {
        const unsigned char* p = Take(3);
        return p ? byteorder::LoadU24(p) : 0;
    }
    uint32_t U32()
    {
        const unsigned char* p = Take(4);
        return p ? byteorder::LoadU32(p) : 0;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32()
    {
        const unsigned char* p = Take(4);
        return p ? byteorder::LoadF32(p) : 0.0f;
    }

private:
    const unsigned char* data = nullptr;
    size_t size = 0;
    uint64_t position = 0;
    bool failed = false;
};
} // namespace codec
} // namespace ostrel_internal

namespace codec = ostrel_internal::codec;
