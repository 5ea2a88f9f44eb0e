// RGBA to texture: mipmap chain down to 4 x 4 by 2 x 2 averaging, pixel data
// in the chosen type (DXT blocks of all levels over several threads,
// optionally LZO1X-packed), the AVGC, MAXC, FLAG and OFFS tags, end marker.
#include <lzo/lzo1x.h>
#include <new>

#include "../frame/ByteOrder.h"
#include "../frame/Text.h"
#include "BlockFit.h"
#include "FileBytes.h"
#include "Parallel.h"
#include "PixelFormats.h"
#include "TextureCodec.h"

namespace texture
{
namespace
{
const unsigned MinSide = 4;
const unsigned MaxSide = 4096;
const size_t MaxLevels = 11;           // 4096 down to 4
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

// Block rows in one job: small enough for the levels of one texture to
// spread over several threads, large enough to keep the handing out cheap.
const unsigned RowsPerJob = 8;

bool IsDxt(PixelType type)
{
    return type == PixelType::Dxt1 || type == PixelType::Dxt5;
}

// The DXT blocks of every level, the block rows of all levels shared out
// between the threads; each job writes its own rows, so the bytes do not
// depend on the thread count.
void EncodeDxtLevels(const std::vector<const Image*>& levels, const EncodeOptions& options, bool dxt5,
                     std::vector<std::vector<unsigned char>>& data)
{
    struct Job
    {
        size_t level;
        unsigned firstRow;
        unsigned endRow;
    };
    std::vector<Job> jobs;
    for (size_t i = 0; i < levels.size(); ++i)
    {
        const unsigned rows = levels[i]->height / 4;
        data[i].resize(size_t(levels[i]->width / 4) * rows * BlockBytes(dxt5));
        for (unsigned row = 0; row < rows; row += RowsPerJob)
            jobs.push_back({i, row, row + RowsPerJob < rows ? row + RowsPerJob : rows});
    }
    ForEachJob(jobs.size(), options.threads, [&](size_t index) {
        const Job& job = jobs[index];
        EncodeBlockRows(*levels[job.level], dxt5, options.quality, job.firstRow, job.endRow, data[job.level].data());
    });
}

// LZO1X-packs a level's blocks where that saves bytes; lzo tells whether it did.
int PackLevel(std::vector<unsigned char>& data, bool& lzo)
{
    lzo = false;
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

    // The mipmap chain down to 4 x 4; the image itself is not copied.
    std::vector<Image> halves;
    halves.reserve(2 * MaxLevels); // no reallocation: the pointers below stay valid
    std::vector<const Image*> levels(1, &image);
    while (levels.back()->width != MinSide || levels.back()->height != MinSide)
    {
        halves.push_back(HalfSize(*levels.back()));
        levels.push_back(&halves.back());
    }
    std::vector<std::vector<unsigned char>> data(levels.size());
    std::vector<char> packed(levels.size(), 0);
    if (IsDxt(type))
    {
        EncodeDxtLevels(levels, options, type == PixelType::Dxt5, data);
        for (size_t i = 0; options.lzo && i < levels.size(); ++i)
        {
            bool lzo = false;
            const int result = PackLevel(data[i], lzo);
            if (result != Ok)
                return result;
            packed[i] = lzo;
        }
    }
    else
    {
        for (size_t i = 0; i < levels.size(); ++i)
        {
            const size_t pixels = size_t(levels[i]->width) * levels[i]->height;
            data[i].resize(pixels * 2);
            PackPixels(type, levels[i]->rgba.data(), pixels, data[i].data());
        }
    }

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

    for (size_t index = 0; index < levels.size(); ++index)
    {
        if (data[index].size() > MaxMipBytes)
            return MipTooLarge;
        w.Patch32(offsetsAt + 4 * index, static_cast<uint32_t>(w.Size()));
        w.U16(levels[index]->width | (packed[index] ? LzoWidthBit : 0));
        w.U16(levels[index]->height);
        w.U24(static_cast<uint32_t>(data[index].size()));
        w.Put(data[index].data(), data[index].size());
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

bool ParseQuality(const char* name, Quality& quality)
{
    static const struct
    {
        const char* name;
        Quality quality;
    } names[] = {{"fast", Quality::Fast}, {"normal", Quality::Normal}, {"best", Quality::Best}};
    for (const auto& entry : names)
    {
        if (name && text::EqualNoCase(name, entry.name))
        {
            quality = entry.quality;
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
