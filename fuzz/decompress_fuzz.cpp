// Entry decompression on arbitrary streams: the first two bytes give the
// expected size, the rest is the packed block.
#include <cstdint>
#include <cstdlib>

#include "pbo/Decompress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    unsigned expected = data[0] | (data[1] << 8);
    unsigned char* out = static_cast<unsigned char*>(std::malloc(expected + 1));
    Decompress(data + 2, static_cast<unsigned>(size - 2), out, expected);
    std::free(out);
    return 0;
}
