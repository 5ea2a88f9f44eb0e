// Messages of the texture codec's result codes.
#include "../inspect/DePac.h"
#include "TextureCodec.h"

namespace texture
{
const char* ErrorText(int code)
{
    // Every code of the codec's own has a case (no default), so a code
    // without a text is a compile warning.
    switch (static_cast<Result>(code))
    {
    case NoMipmaps:
        return "Texture: no mipmaps";
    case BadMipSize:
        return "Texture: mipmap width or height is 0";
    case ShortMipData:
        return "Texture: mipmap data shorter than its pixels need";
    case LzoDamaged:
        return "Texture: LZO1X data damaged or of the wrong length";
    case PackedDamaged:
        return "Texture: packed pixel data damaged";
    case PackedChecksum:
        return "Texture: packed pixel data checksum differs";
    case TooLarge:
        return "Texture: image too large";
    case CannotRead:
        return "Texture: cannot read file";
    case CannotWrite:
        return "Texture: cannot write file";
    case BadImageSize:
        return "Texture: width and height must be powers of two from 4 to 4096";
    case MipTooLarge:
        return "Texture: mipmap data too large for its 3-byte size (use DXT1, DXT5 or --lzo)";
    case BadPng:
        return "Texture: not a readable PNG image";
    case NoSuchMip:
        return "Texture: no such mipmap";
    }
    // The layout codes are the texture inspector's.
    return code >= 0 && code <= 255 ? DePac::ErrorString(static_cast<unsigned char>(code)) : DePac::ErrorString(255);
}
} // namespace texture
