// Little-endian loads and stores of 16, 24 and 32-bit values and floats, for
// every reader and writer of the binary formats.
#pragma once

#include <cstdint>
#include <cstring>

namespace ostrel_internal
{
namespace byteorder
{
inline uint16_t LoadU16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t LoadU24(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
}

inline uint32_t LoadU32(const unsigned char* p)
{
    return LoadU24(p) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t LoadI32(const unsigned char* p)
{
    return static_cast<int32_t>(LoadU32(p));
}

// IEEE single precision, stored in the byte order of its 32-bit pattern.
inline float LoadF32(const unsigned char* p)
{
    const uint32_t bits = LoadU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void StoreU16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void StoreU32(unsigned char* p, uint32_t v)
{
    StoreU16(p, static_cast<uint16_t>(v));
    StoreU16(p + 2, static_cast<uint16_t>(v >> 16));
}

inline void StoreF32(unsigned char* p, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    StoreU32(p, bits);
}
} // namespace byteorder
} // namespace ostrel_internal

namespace byteorder = ostrel_internal::byteorder;
