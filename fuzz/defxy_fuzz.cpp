// Font table opening from memory and record access.
#include <cstdint>
#include <vector>

#include "inspect/DeFxy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> copy(data, data + size);
    DeFxy fxy;
    if (fxy.Open(copy.data(), static_cast<int>(copy.size())) != 0)
        return 0;
    volatile unsigned sum = 0;
    for (unsigned long i = 0; i <= DeFxy::EntryCount; ++i)
    {
        const FxyEntry* entry = fxy.GetEntry(i);
        if (entry)
            sum += entry->bytes[11];
    }
    (void)sum;
    return 0;
}
