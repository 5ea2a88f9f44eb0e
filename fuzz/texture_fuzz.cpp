// libFuzzer target for the texture codec's decoder: any bytes as a texture,
// decoded to RGBA within a small memory bound.
#include <cstddef>
#include <cstdint>

#include "TextureCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    texture::DecodeOptions options;
    options.maxBytes = 64u << 20;
    texture::Texture result;
    int code = texture::DecodeTexture(data, size, result, options);
    // A decoded texture has every mipmap filled in full.
    if (code == texture::Ok)
    {
        for (const texture::Image& image : result.mipmaps)
        {
            if (image.rgba.size() != size_t(image.width) * image.height * 4)
                __builtin_trap();
        }
    }
    return 0;
}
