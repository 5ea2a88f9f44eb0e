// RGBA to texture: mipmap chain down to 4 x 4 by 2 x 2 averaging, pixel data
// in the chosen type (DXT blocks optionally LZO1X-packed), the AVGC, MAXC,
// FLAG and OFFS tags and the end marker.
#include <lzo/lzo1x.h>
#include <squish.h>

#include <new>

#include "../frame/ByteOrder.h"
#include "../frame/Text.h"
#include "FileBytes.h"
#include "PixelFormats.h"
#include "TextureCodec.h"

namespace texture
{
namespace
{
const unsigned MinSide = 4;
const unsigned MaxSide = 4096;
const uint32_t MaxMipBytes = 0xFFFFFF; // the size field has three bytes
const unsigned LzoWidthBit = 0x8000;

bool PowerOfTwoSide(unsigned n)
{
    return n >= MinSide && n <= MaxSide && (n & (n - 1)) == 0;
}

bool HasAlpha(const Image& image)
{
    for (size_t i = 3; i < image.rgba.size(); i += 4)
    {
        if (image.rgba[i] != 255)
            return true;
    }
    return false;
}

// The next level: each side halved down to 4, by averaging the 2 x 2 (or
// 2 x 1 once a side is 4) pixels each new pixel covers.
Image HalfSize(const Image& from)
{
    Image to;
    const unsigned sx = from.width > MinSide ? 2 : 1;
    const unsigned sy = from.height > MinSide ? 2 : 1;
    to.width = from.width / sx;
    to.height = from.height / sy;
    to.rgba.resize(size_t(to.width) * to.height * 4);
    const unsigned count = sx * sy;
    for (unsigned y = 0; y < to.height; ++y)
    {
        for (unsigned x = 0; x < to.width; ++x)
        {
            for (unsigned c = 0; c < 4; ++c)
            {
                unsigned sum = 0;
                for (unsigned dy = 0; dy < sy; ++dy)
                {
                    for (unsigned dx = 0; dx < sx; ++dx)
                        sum += from.rgba[((size_t(y) * sy + dy) * from.width + x * sx + dx) * 4 + c];
                }
                to.rgba[(size_t(y) * to.width + x) * 4 + c] = static_cast<unsigned char>((sum + count / 2) / count);
            }
        }
    }
    return to;
}

// Average colour as A R G B from the top byte down.
uint32_t AverageColour(const Image& image)
{
    uint64_t sum[4] = {0, 0, 0, 0};
    const size_t pixels = size_t(image.width) * image.height;
    for (size_t i = 0; i < pixels; ++i)
    {
        for (int c = 0; c < 4; ++c)
            sum[c] += image.rgba[i * 4 + c];
    }
    uint32_t mean[4];
    for (int c = 0; c < 4; ++c)
        mean[c] = static_cast<uint32_t>((sum[c] + pixels / 2) / pixels);
    return (mean[3] << 24) | (mean[0] << 16) | (mean[1] << 8) | mean[2];
}

class Writer
{
public:
    explicit Writer(std::vector<unsigned char>& out) : bytes(out) {}
    void U16(unsigned v) { byteorder::StoreU16(Grow(2), static_cast<uint16_t>(v)); }
    void U24(uint32_t v)
    {
        unsigned char b[4];
        byteorder::StoreU32(b, v);
        Put(b, 3);
    }
    void U32(uint32_t v) { byteorder::StoreU32(Grow(4), v); }
    void Tag(const char* storedName, uint32_t value)
    {
        bytes.insert(bytes.end(), storedName, storedName + 8);
        U32(4);
        U32(value);
    }
    void Put(const unsigned char* data, size_t n) { bytes.insert(bytes.end(), data, data + n); }
    void Patch32(size_t at, uint32_t v) { byteorder::StoreU32(&bytes[at], v); }
    size_t Size() const { return bytes.size(); }

private:
    unsigned char* Grow(size_t n)
    {
        bytes.resize(bytes.size() + n);
        return bytes.data() + bytes.size() - n;
    }
    std::vector<unsigned char>& bytes;
};

// The pixel data of one level; lzo tells whether it was LZO1X-packed.
int LevelData(const Image& level, PixelType type, bool useLzo, std::vector<unsigned char>& data, bool& lzo)
{
    lzo = false;
    if (type != PixelType::Dxt1 && type != PixelType::Dxt5)
    {
        data.resize(size_t(level.width) * level.height * 2);
        PackPixels(type, level.rgba.data(), size_t(level.width) * level.height, data.data());
        return Ok;
    }
    const int flags = (type == PixelType::Dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
    const int w = static_cast<int>(level.width);
    const int h = static_cast<int>(level.height);
    data.resize(static_cast<size_t>(squish::GetStorageRequirements(w, h, flags)));
    squish::CompressImage(level.rgba.data(), w, h, data.data(), flags);
    if (!useLzo)
        return Ok;
    if (lzo_init() != LZO_E_OK)
        return OutOfMemory;
    // Worst case growth of LZO1X on incompressible input.
    std::vector<unsigned char> packed(data.size() + data.size() / 16 + 64 + 3);
    std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
    lzo_uint packedSize = 0;
    if (lzo1x_1_compress(data.data(), data.size(), packed.data(), &packedSize, work.data()) != LZO_E_OK)
        return OutOfMemory;
    if (packedSize < data.size())
    {
        packed.resize(packedSize);
        data.swap(packed);
        lzo = true;
    }
    return Ok;
}

int Encode(const Image& image, const EncodeOptions& options, std::vector<unsigned char>& out)
{
    out.clear();
    if (!PowerOfTwoSide(image.width) || !PowerOfTwoSide(image.height) ||
        image.rgba.size() != size_t(image.width) * image.height * 4)
        return BadImageSize;
    const PixelType type = options.automatic ? DefaultType(image) : options.type;

    Writer w(out);
    w.U16(static_cast<unsigned>(type));
    w.Tag("GGATCGVA", AverageColour(image));
    w.Tag("GGATCXAM", 0xFFFFFFFF);
    if (HasAlpha(image))
        w.Tag("GGATGALF", 1);
    w.Put(reinterpret_cast<const unsigned char*>("GGATSFFO"), 8);
    w.U32(64);
    const size_t offsetsAt = w.Size();
    for (int i = 0; i < 16; ++i)
        w.U32(0);
    w.U16(0);

    Image next;
    const Image* level = &image;
    std::vector<unsigned char> data;
    for (int index = 0;; ++index)
    {
        bool lzo = false;
        int result = LevelData(*level, type, options.lzo, data, lzo);
        if (result != Ok)
            return result;
        if (data.size() > MaxMipBytes)
            return MipTooLarge;
        w.Patch32(offsetsAt + 4 * index, static_cast<uint32_t>(w.Size()));
        w.U16(level->width | (lzo ? LzoWidthBit : 0));
        w.U16(level->height);
        w.U24(static_cast<uint32_t>(data.size()));
        w.Put(data.data(), data.size());
        if (level->width == MinSide && level->height == MinSide)
            break;
        next = HalfSize(*level);
        level = &next;
    }
    w.U16(0);
    w.U16(0);
    w.U16(0);
    return Ok;
}
} // namespace

PixelType DefaultType(const Image& image)
{
    return HasAlpha(image) ? PixelType::Dxt5 : PixelType::Dxt1;
}

bool ParseType(const char* name, PixelType& type)
{
    static const struct
    {
        const char* name;
        PixelType type;
    } names[] = {{"dxt1", PixelType::Dxt1},
                 {"dxt5", PixelType::Dxt5},
                 {"4444", PixelType::Rgba4444},
                 {"1555", PixelType::Rgba5551},
                 {"8080", PixelType::LumAlpha}};
    for (const auto& entry : names)
    {
        if (name && text::EqualNoCase(name, entry.name))
        {
            type = entry.type;
            return true;
        }
    }
    return false;
}

int EncodeTexture(const Image& image, const EncodeOptions& options, std::vector<unsigned char>& out)
{
    try
    {
        int result = Encode(image, options, out);
        if (result != Ok)
            out.clear();
        return result;
    }
    catch (const std::bad_alloc&)
    {
        out.clear();
        return OutOfMemory;
    }
}

int EncodeTextureFile(const Image& image, const EncodeOptions& options, const char* fileName)
{
    std::vector<unsigned char> bytes;
    int result = EncodeTexture(image, options, bytes);
    if (result != Ok)
        return result;
    return WriteWholeFile(fileName, bytes);
}
} // namespace texture
