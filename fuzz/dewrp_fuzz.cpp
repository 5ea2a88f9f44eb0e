// World reading from memory, then every getter and the reference check.
#include <cstdint>
#include <cstring>
#include <vector>

#include "inspect/DeWrp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> copy(data, data + size);
    DeWrp reader;
    if (reader.Open(copy.data(), static_cast<unsigned long>(copy.size()), nullptr) != 0)
        return 0;
    (void)reader.GetID();
    (void)reader.GetMapSize()[3];
    for (int i = -1; i <= reader.GetModelCount(); ++i)
    {
        const char* name = reader.GetModelName(i);
        if (name)
            (void)std::strlen(name);
    }
    for (int i = -1; i <= reader.GetTextureCount(); ++i)
    {
        const char* name = reader.GetTextureName(i);
        if (name)
            (void)std::strlen(name);
        (void)reader.textures.GetColor(i);
    }
    (void)reader.ValidModels();
    return 0;
}
