// Two-byte texture pixels to and from 8-bit RGBA: 4:4:4:4 (A R G B from the
// top nibble down), 5:5:5:1 (A in bit 15, then R, G, B) and luminance/alpha.
#include "PixelFormats.h"

#include "../frame/ByteOrder.h"

namespace texture
{
namespace
{
// Widens an n-bit level so that 0 and the top level map to 0 and 255.
inline unsigned char Widen4(unsigned v)
{
    return static_cast<unsigned char>(v * 17);
}
inline unsigned char Widen5(unsigned v)
{
    return static_cast<unsigned char>((v << 3) | (v >> 2));
}
// Nearest level of an 8-bit value in a channel of top levels.
inline unsigned Narrow(unsigned v, unsigned top)
{
    return (v * top + 127) / 255;
}
} // namespace

void UnpackPixels(PixelType type, const unsigned char* pixels, size_t count, unsigned char* rgba)
{
    for (size_t i = 0; i < count; ++i, pixels += 2, rgba += 4)
    {
        const unsigned word = byteorder::LoadU16(pixels);
        switch (type)
        {
        case PixelType::Rgba4444:
            rgba[0] = Widen4((word >> 8) & 15);
            rgba[1] = Widen4((word >> 4) & 15);
            rgba[2] = Widen4(word & 15);
            rgba[3] = Widen4(word >> 12);
            break;
        case PixelType::Rgba5551:
            rgba[0] = Widen5((word >> 10) & 31);
            rgba[1] = Widen5((word >> 5) & 31);
            rgba[2] = Widen5(word & 31);
            rgba[3] = (word & 0x8000) ? 255 : 0;
            break;
        default: // luminance byte, then alpha byte
            rgba[0] = rgba[1] = rgba[2] = pixels[0];
            rgba[3] = pixels[1];
            break;
        }
    }
}

void PackPixels(PixelType type, const unsigned char* rgba, size_t count, unsigned char* pixels)
{
    for (size_t i = 0; i < count; ++i, pixels += 2, rgba += 4)
    {
        unsigned word = 0;
        switch (type)
        {
        case PixelType::Rgba4444:
            word = (Narrow(rgba[3], 15) << 12) | (Narrow(rgba[0], 15) << 8) | (Narrow(rgba[1], 15) << 4) |
                   Narrow(rgba[2], 15);
            break;
        case PixelType::Rgba5551:
            word = (rgba[3] >= 128 ? 0x8000u : 0u) | (Narrow(rgba[0], 31) << 10) | (Narrow(rgba[1], 31) << 5) |
                   Narrow(rgba[2], 31);
            break;
        default:
        {
            // Rec. 601 luma weights, rounded; grey stays exactly grey.
            unsigned luma = (299 * rgba[0] + 587 * rgba[1] + 114 * rgba[2] + 500) / 1000;
            word = luma | (static_cast<unsigned>(rgba[3]) << 8);
            break;
        }
        }
        byteorder::StoreU16(pixels, static_cast<uint16_t>(word));
    }
}
} // namespace texture
