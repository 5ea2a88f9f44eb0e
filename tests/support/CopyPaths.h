// For tests of the two ways file data is copied (the system's file to file
// copy and the block loop): a switch to the loop, and bytes without pattern.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/Platform.h"
#include "support/TempDir.h"

namespace testsupport
{
// Turns the system's file to file copy off (on: the loop only) for the life
// of the object, and back on however the test ends.
struct LoopCopyOnly
{
    explicit LoopCopyOnly(bool on) { platform::AllowSystemCopy(!on); }
    ~LoopCopyOnly() { platform::AllowSystemCopy(true); }
    LoopCopyOnly(const LoopCopyOnly&) = delete;
    LoopCopyOnly& operator=(const LoopCopyOnly&) = delete;
};

// Pseudo-random bytes, the same for the same seed.
inline Bytes Noise(size_t size, uint32_t seed)
{
    Bytes bytes(size);
    for (unsigned char& b : bytes)
    {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    return bytes;
}
} // namespace testsupport
