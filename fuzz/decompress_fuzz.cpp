// Token decoding on arbitrary streams: the first two bytes give the expected
// size, the rest is the packed block, decoded as an archive entry and as a
// world cell block, each into a block of exactly the size it may fill.
#include <cstdint>
#include <cstdlib>

#include "inspect/WrpInput.h"
#include "pbo/Decompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    unsigned expected = data[0] | (data[1] << 8);
    unsigned char* out = static_cast<unsigned char*>(std::malloc(expected + 1));
    Decompress(data + 2, static_cast<unsigned>(size - 2), out, expected);
    codec::LzssDecode(data + 2, size - 2, out, expected, expected, WorldPacking);
    std::free(out);
    return 0;
}
