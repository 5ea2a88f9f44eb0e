// libFuzzer target for the refinement of DXT colour blocks: 16 RGBA pixels
// of any values, range-fitted as DXT1 or DXT5 and refined; the refined block
// may never decode further from the pixels, and a DXT1 block must keep
// exactly the source's transparent pixels transparent.
#include <squish.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "EndpointRefine.h"

namespace
{
int Error(const uint8_t* rgba, const unsigned char* block, bool dxt1)
{
    unsigned char decoded[64];
    squish::Decompress(decoded, block, dxt1 ? squish::kDxt1 : squish::kDxt5);
    int sum = 0;
    for (int i = 0; i < 16; ++i)
    {
        const bool transparent = dxt1 && rgba[i * 4 + 3] < 128;
        if (transparent != (dxt1 && decoded[i * 4 + 3] == 0))
            __builtin_trap();
        for (int c = 0; c < 3 && !transparent; ++c)
        {
            const int d = rgba[i * 4 + c] - decoded[i * 4 + c];
            sum += d * d;
        }
    }
    return sum;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 65)
        return 0;
    const bool dxt1 = data[64] & 1;
    unsigned char block[16];
    squish::Compress(data, block, (dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourRangeFit);
    const int before = Error(data, block, dxt1);
    unsigned char alpha[8];
    std::memcpy(alpha, block, 8);
    texture::RefineColourBlock(data, dxt1, dxt1 ? block : block + 8);
    if (Error(data, block, dxt1) > before || (!dxt1 && std::memcmp(alpha, block, 8) != 0))
        __builtin_trap();
    return 0;
}
