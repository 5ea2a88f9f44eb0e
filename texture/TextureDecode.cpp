// Texture to RGBA: walks the layout as the inspector does, then unpacks each
// mipmap (DXT1/DXT5 blocks, stored or LZO1X-packed; two-byte pixels, stored
// or token-packed) within a memory bound.
#include <lzo/lzo1x.h>
#include <squish.h>

#include <new>

#include "../codec/Lzss.h"
#include "../codec/PacWalk.h"
#include "../frame/ByteOrder.h"
#include "../frame/DataStream.h"
#include "PixelFormats.h"
#include "TextureCodec.h"

namespace texture
{
namespace
{
const unsigned LzoWidthBit = 0x8000;

// Two-byte pixels with fewer bytes than they need are token-packed like
// archive entries, but sum their bytes as signed values.
const codec::LzssPolicy PixelPacking = {
    codec::BeforeStart::Spaces,
    codec::StopAt::InputEnd,
    codec::ByteSum::Signed,
    {PackedDamaged, PackedDamaged, PackedDamaged, PackedDamaged, PackedDamaged, PackedChecksum, PackedChecksum},
};

bool IsDxt(PixelType type)
{
    return type == PixelType::Dxt1 || type == PixelType::Dxt5;
}

bool KnownType(unsigned word)
{
    switch (static_cast<PixelType>(word))
    {
    case PixelType::Dxt1:
    case PixelType::Dxt5:
    case PixelType::Rgba4444:
    case PixelType::Rgba5551:
    case PixelType::LumAlpha:
        return true;
    }
    return false;
}

// The tags the layout allows, with the inspector's length rules; only the
// offsets matter for the pixels.
struct TagValues
{
    uint32_t offsets[pac::OffsetCount] = {};
    bool hasOffsets = false;

    int Handle(DataStream& input, const unsigned char* name, uint32_t length)
    {
        if (codec::SamePacName(name, "GGATSFFO"))
        {
            hasOffsets = true;
            if (length != 4 * pac::OffsetCount)
                return InvalidFile;
            const unsigned char* p = input.Take(4 * pac::OffsetCount);
            if (!p)
                return PrematureEnd;
            for (int i = 0; i < pac::OffsetCount; ++i)
                offsets[i] = byteorder::LoadU32(p + 4 * i);
            return Ok;
        }
        for (const char* word : {"GGATCGVA", "GGATGALF", "GGATCXAM", "GGATZIWS"})
        {
            if (codec::SamePacName(name, word))
            {
                if (length != 4)
                    return InvalidFile;
                return input.Take(4) ? Ok : PrematureEnd;
            }
        }
        return UnknownTag;
    }
};

// A mipmap's real size and the bytes its pixel data unpacks to.
struct MipShape
{
    unsigned width;
    unsigned height;
    bool lzo;
    uint64_t unpacked;
};

MipShape Shape(PixelType type, const codec::PacMip& mip)
{
    MipShape shape{mip.width, mip.height, false, 0};
    if (IsDxt(type))
    {
        shape.lzo = (mip.width & LzoWidthBit) != 0;
        shape.width &= ~LzoWidthBit;
        uint64_t blocks = uint64_t((shape.width + 3) / 4) * ((shape.height + 3) / 4);
        shape.unpacked = blocks * (type == PixelType::Dxt1 ? 8 : 16);
    }
    else
        shape.unpacked = uint64_t(shape.width) * shape.height * 2;
    return shape;
}

int UnpackDxt(PixelType type, const MipShape& shape, const unsigned char* data, unsigned size, Image& image)
{
    std::vector<unsigned char> unpacked;
    const unsigned char* blocks = data;
    if (shape.lzo)
    {
        unpacked.resize(shape.unpacked);
        lzo_uint produced = shape.unpacked;
        int r = lzo1x_decompress_safe(data, size, unpacked.data(), &produced, nullptr);
        // Padding after the stream's end is harmless; anything else is not.
        if ((r != LZO_E_OK && r != LZO_E_INPUT_NOT_CONSUMED) || produced != shape.unpacked)
            return LzoDamaged;
        blocks = unpacked.data();
    }
    else if (size < shape.unpacked)
        return ShortMipData;
    squish::DecompressImage(image.rgba.data(), static_cast<int>(shape.width), static_cast<int>(shape.height), blocks,
                            type == PixelType::Dxt1 ? squish::kDxt1 : squish::kDxt5);
    return Ok;
}

int UnpackWords(PixelType type, const MipShape& shape, const unsigned char* data, unsigned size, Image& image)
{
    std::vector<unsigned char> unpacked;
    const unsigned char* pixels = data;
    if (size < shape.unpacked)
    {
        // Fewer bytes than pixels need: token-packed with a signed-byte sum.
        if (shape.unpacked > codec::LzssMaxOutput(size, codec::StopAt::InputEnd) || shape.unpacked >= UINT32_MAX)
            return ShortMipData;
        unpacked.resize(shape.unpacked + 1);
        int r = codec::LzssDecode(data, size, unpacked.data(), shape.unpacked, unpacked.size(), PixelPacking);
        if (r != Ok)
            return r;
        pixels = unpacked.data();
    }
    UnpackPixels(type, pixels, size_t(shape.width) * shape.height, image.rgba.data());
    return Ok;
}

int Decode(const unsigned char* data, size_t size, Texture& texture, const DecodeOptions& options)
{
    texture.mipmaps.clear();
    if (size > UINT32_MAX || (!data && size))
        return InvalidFile;
    DataStream input;
    input.OpenMemory(data, static_cast<uint32_t>(size));
    unsigned word = input.ReadU16();
    if (!KnownType(word))
        return UnknownFormat;
    const PixelType type = static_cast<PixelType>(word);
    texture.type = type;

    TagValues tags;
    int result = codec::ReadPacTags(
        input, [&](const unsigned char* name, uint32_t length) { return tags.Handle(input, name, length); });
    if (result != Ok)
        return result;
    // DXT mipmaps are only found through the offsets; the two-byte types
    // (5:5:5:1 included) also follow one another without them.
    if (IsDxt(type) && !tags.hasOffsets)
        return NoOffsets;
    std::vector<codec::PacMip> mips;
    codec::PacWalkResult walk =
        codec::WalkPacMips(input.Buffer(), input.Length(), input.Position(), tags.hasOffsets ? tags.offsets : nullptr,
                           [&](const codec::PacMip& mip) { mips.push_back(mip); });
    if (walk.code != Ok)
        return walk.code;
    if (mips.empty())
        return NoMipmaps;

    // Every mipmap's data lies inside the input (the walk read past it).
    // Check shapes and the memory bound before unpacking anything.
    uint64_t total = 0;
    for (const codec::PacMip& mip : mips)
    {
        MipShape shape = Shape(type, mip);
        if (shape.width == 0 || shape.height == 0)
            return BadMipSize;
        total += uint64_t(shape.width) * shape.height * 4;
        if (total > options.maxBytes)
            return TooLarge;
    }
    texture.mipmaps.resize(mips.size());
    for (size_t i = 0; i < mips.size(); ++i)
    {
        MipShape shape = Shape(type, mips[i]);
        Image& image = texture.mipmaps[i];
        image.width = shape.width;
        image.height = shape.height;
        image.rgba.resize(size_t(shape.width) * shape.height * 4);
        const unsigned char* bytes = data + mips[i].data;
        result = IsDxt(type) ? UnpackDxt(type, shape, bytes, mips[i].size, image)
                             : UnpackWords(type, shape, bytes, mips[i].size, image);
        if (result != Ok)
        {
            texture.mipmaps.clear();
            return result;
        }
    }
    return Ok;
}
} // namespace

int DecodeTexture(const unsigned char* data, size_t size, Texture& texture, const DecodeOptions& options)
{
    try
    {
        return Decode(data, size, texture, options);
    }
    catch (const std::bad_alloc&)
    {
        texture.mipmaps.clear();
        return OutOfMemory;
    }
}

int DecodeTextureFile(const char* fileName, Texture& texture, const DecodeOptions& options)
{
    DataStream file;
    if (!fileName || !file.OpenInput(fileName, nullptr, 1))
        return CannotRead;
    return DecodeTexture(file.Buffer(), file.Length(), texture, options);
}
} // namespace texture
