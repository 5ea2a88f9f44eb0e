// Texture pixel codec for programs beside the library: ".paa"/".pac"
// textures to 8-bit RGBA mipmaps and back, and PNG files to and from RGBA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../codec/PacFormat.h"

namespace texture
{
// Type words of the textures the codec reads and writes.
enum class PixelType : uint16_t
{
    Dxt1 = pac::TypeDxt1,
    Dxt5 = pac::TypeDxt5,
    Rgba4444 = pac::TypeRgba4444,
    Rgba5551 = pac::TypeRgba5551,
    LumAlpha = pac::TypeLumAlpha
};

// Result codes: those of the texture inspector for the layout (premature
// end, out of memory, invalid file, unknown format, unknown tag, no offsets,
// no ending zeroes), and these, which concern the pixels and the files.
using pac::InvalidFile;
using pac::NoEndingZeroes;
using pac::NoOffsets;
using pac::Ok;
using pac::OutOfMemory;
using pac::PrematureEnd;
using pac::UnknownFormat;
using pac::UnknownTag;
enum Result : int
{
    NoMipmaps = 20,
    BadMipSize = 21,
    ShortMipData = 22,
    LzoDamaged = 23,
    PackedDamaged = 24,
    PackedChecksum = 25,
    TooLarge = 26,
    CannotRead = 27,
    CannotWrite = 28,
    BadImageSize = 29,
    MipTooLarge = 30,
    BadPng = 31,
    NoSuchMip = 32
};

// Message for a result code.
const char* ErrorText(int code);

// An 8-bit RGBA image, rows top to bottom, 4 bytes a pixel.
struct Image
{
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> rgba;
};

struct Texture
{
    PixelType type = PixelType::Dxt1;
    std::vector<Image> mipmaps; // largest first, in file order
};

struct DecodeOptions
{
    // Bound on the RGBA bytes of all decoded mipmaps together; a texture
    // that would need more is refused with TooLarge before anything is
    // unpacked.
    uint64_t maxBytes = uint64_t(1) << 30;
};

// Decodes every mipmap of a texture held in memory (or in a file).
int DecodeTexture(const unsigned char* data, size_t size, Texture& texture, const DecodeOptions& options = {});
int DecodeTextureFile(const char* fileName, Texture& texture, const DecodeOptions& options = {});

// How hard the DXT colour fit works on each 4 x 4 block (the alpha of DXT5
// is fitted the same way in all three):
// - Best: the clustering fit on every block, the slowest and closest;
// - Normal: the range fit on every block with its end colours refined (least
//   squares, the block's own colours, neighbouring RGB565 values), and the
//   clustering fit, refined too, only on the blocks still well above what
//   fitting colours on a line could ever reach (the better kept): about a
//   seventh of the time of Best and within 0.02 dB of it on a noisy picture,
//   above it on smooth ones;
// - Fast: the range fit alone, for previews, many times faster than Best.
// Two-byte pixel types ignore the setting.
enum class Quality
{
    Best,
    Normal,
    Fast
};

struct EncodeOptions
{
    bool automatic = true;            // DXT1 for opaque images, DXT5 with alpha
    PixelType type = PixelType::Dxt1; // used when automatic is false
    bool lzo = false;                 // LZO1X-pack DXT mipmaps where that saves bytes
    Quality quality = Quality::Best;
    // Threads sharing the blocks of all mipmaps; 0 takes one per processor.
    // The output bytes are the same for every count.
    unsigned threads = 0;
};

// DXT1 when every alpha is 255, else DXT5.
PixelType DefaultType(const Image& image);
// "dxt1", "dxt5", "4444", "1555" or "8080", any letter case.
bool ParseType(const char* name, PixelType& type);
// "fast", "normal" or "best", any letter case.
bool ParseQuality(const char* name, Quality& quality);

// Encodes the image with a full mipmap chain down to 4 x 4, the AVGC, MAXC,
// FLAG (only with transparent pixels) and OFFS tags and the end marker.
// Width and height must be powers of two from 4 to 4096 (BadImageSize).
int EncodeTexture(const Image& image, const EncodeOptions& options, std::vector<unsigned char>& out);
int EncodeTextureFile(const Image& image, const EncodeOptions& options, const char* fileName);

// PNG of any colour type and depth to 8-bit RGBA, and RGBA to an 8-bit RGBA PNG.
int ReadPng(const unsigned char* data, size_t size, Image& image);
int ReadPngFile(const char* fileName, Image& image);
int WritePng(const Image& image, std::vector<unsigned char>& out);
int WritePngFile(const Image& image, const char* fileName);
} // namespace texture
