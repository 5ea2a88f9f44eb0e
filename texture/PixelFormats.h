// Conversions between 8-bit RGBA and the two-byte pixels of uncompressed
// textures (4:4:4:4, 5:5:5:1 and luminance/alpha), for the texture codec.
#pragma once

#include <cstddef>

#include "TextureCodec.h"

namespace texture
{
// count pixels of a two-byte type (little-endian words) to RGBA.
void UnpackPixels(PixelType type, const unsigned char* pixels, size_t count, unsigned char* rgba);
// count RGBA pixels to a two-byte type, each channel rounded to the nearest level.
void PackPixels(PixelType type, const unsigned char* rgba, size_t count, unsigned char* pixels);
} // namespace texture
