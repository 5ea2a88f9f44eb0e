// Whole-file writing for the texture codec, through the library's streams.
#include "FileBytes.h"

#include <cstdint>

#include "../frame/DataStream.h"
#include "TextureCodec.h"

namespace texture
{
int WriteWholeFile(const char* fileName, const std::vector<unsigned char>& bytes)
{
    if (bytes.size() > UINT32_MAX)
        return CannotWrite;
    DataStream stream;
    if (!stream.CreateOutput(fileName, nullptr))
        return CannotWrite;
    bool written = stream.PutBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    if (!stream.FinishOutput(written))
        return CannotWrite;
    return Ok;
}
} // namespace texture
