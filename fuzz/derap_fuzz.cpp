// Config decoding from memory with every option combination chosen by the
// first byte.
#include <cstdint>
#include <cstring>
#include <vector>

#include "rap/DeRap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    std::vector<unsigned char> copy(data + 1, data + size);
    DeRap decoder;
    decoder.usePragma = data[0] & 1;
    decoder.showOffsets = data[0] & 2;
    decoder.SetTabChar(data[0] & 4);
    if (decoder.SetAsRapData(copy.data(), static_cast<unsigned>(copy.size()), "C:\\fuzz\\config.bin"))
    {
        const char* text = nullptr;
        decoder.ConvertRapData(&text);
        if (text)
            (void)std::strlen(text);
    }
    return 0;
}
