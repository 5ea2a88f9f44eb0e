// Texture encoding at each fit quality and thread count: bytes independent
// of the thread count, Best equal to the library default and to one
// whole-image clustering fit, and each quality within its PSNR bound.
#include <gtest/gtest.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TextureCodec.h"
#include "support/Rows.h"

using namespace texture;

namespace
{
// Gradients, a hard diagonal edge and noise from a fixed generator, so that
// the fits differ; opaque or with an alpha ramp.
Image NoisyPicture(unsigned width, unsigned height, bool alpha)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(size_t(width) * height * 4);
    uint32_t state = 12345;
    for (unsigned y = 0; y < height; ++y)
    {
        for (unsigned x = 0; x < width; ++x)
        {
            unsigned char* p = &image.rgba[(size_t(y) * width + x) * 4];
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28) - 8;
            const bool beyond = x * 3 + y > width * 2;
            const int base[3] = {int(x * 200 / width) + 20, int(y * 180 / height) + 30, beyond ? 220 : 40};
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::min(255, std::max(0, base[c] + noise * (c + 1))));
            p[3] = alpha ? static_cast<unsigned char>((x + y) * 255 / (width + height)) : 255;
        }
    }
    return image;
}

// The data of mipmap 0, found through the offsets tag.
std::vector<unsigned char> FirstMipData(const std::vector<unsigned char>& texture)
{
    const char tag[] = "GGATSFFO";
    for (size_t i = 2; i + 16 <= texture.size(); ++i)
    {
        if (std::memcmp(&texture[i], tag, 8) != 0)
            continue;
        const size_t at =
            texture[i + 12] | texture[i + 13] << 8 | texture[i + 14] << 16 | size_t(texture[i + 15]) << 24;
        const size_t size = texture[at + 4] | texture[at + 5] << 8 | size_t(texture[at + 6]) << 16;
        if (at + 7 + size > texture.size())
            break;
        return std::vector<unsigned char>(texture.begin() + long(at) + 7, texture.begin() + long(at + 7 + size));
    }
    ADD_FAILURE() << "no offsets tag";
    return {};
}

double Psnr(const Image& source, const Image& decoded, int channels)
{
    double sum = 0;
    for (size_t i = 0; i < source.rgba.size(); i += 4)
    {
        for (int c = 0; c < channels; ++c)
        {
            const double d = double(source.rgba[i + c]) - decoded.rgba[i + c];
            sum += d * d;
        }
    }
    const double mse = sum / (double(source.rgba.size() / 4) * channels);
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

EncodeOptions Options(PixelType type, Quality quality, unsigned threads, bool lzo = false)
{
    EncodeOptions options;
    options.automatic = false;
    options.type = type;
    options.quality = quality;
    options.threads = threads;
    options.lzo = lzo;
    return options;
}
} // namespace

TEST(TextureEncodeQuality, BytesDoNotDependOnTheThreadCount)
{
    struct Row
    {
        const char* name;
        unsigned width, height;
        PixelType type;
        Quality quality;
        bool lzo;
    };
    // Tiny levels (one block, one block row), sides far apart, more block
    // rows than one job takes, LZO packing, and a two-byte type.
    const Row rows[] = {
        {"4 x 4 DXT1 best", 4, 4, PixelType::Dxt1, Quality::Best, false},
        {"8 x 4 DXT5 normal", 8, 4, PixelType::Dxt5, Quality::Normal, false},
        {"4 x 128 DXT5 best", 4, 128, PixelType::Dxt5, Quality::Best, false},
        {"256 x 8 DXT1 fast", 256, 8, PixelType::Dxt1, Quality::Fast, false},
        {"128 x 64 DXT1 normal", 128, 64, PixelType::Dxt1, Quality::Normal, false},
        {"256 x 256 DXT5 normal lzo", 256, 256, PixelType::Dxt5, Quality::Normal, true},
        {"64 x 64 4444", 64, 64, PixelType::Rgba4444, Quality::Fast, false},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        const Image image = NoisyPicture(row.width, row.height, row.type == PixelType::Dxt5);
        std::vector<unsigned char> single;
        ASSERT_EQ(EncodeTexture(image, Options(row.type, row.quality, 1, row.lzo), single), Ok);
        ASSERT_GT(single.size(), 32u);
        for (unsigned threads : {2u, 3u, 4u, 7u, 0u})
        {
            std::vector<unsigned char> shared;
            ASSERT_EQ(EncodeTexture(image, Options(row.type, row.quality, threads, row.lzo), shared), Ok);
            EXPECT_EQ(shared, single) << threads << " threads";
        }
    });
}

TEST(TextureEncodeQuality, SizesTheGamesCannotLoadAreRefusedOnEveryThreadCount)
{
    const unsigned sides[][2] = {{6, 6}, {2, 4}, {4, 12}, {8192, 4}};
    testsupport::CheckRows(sides, [](const unsigned(&side)[2]) {
        Image image;
        image.width = side[0];
        image.height = side[1];
        image.rgba.assign(size_t(side[0]) * side[1] * 4, 128);
        for (unsigned threads : {1u, 2u, 5u})
        {
            std::vector<unsigned char> out(3, 1);
            EXPECT_EQ(EncodeTexture(image, Options(PixelType::Dxt1, Quality::Normal, threads), out), BadImageSize);
            EXPECT_TRUE(out.empty());
        }
    });
}

TEST(TextureEncodeQuality, BestIsTheDefaultAndOneClusteringFitOfTheImage)
{
    struct Row
    {
        const char* name;
        unsigned width, height;
        bool alpha;
    };
    const Row rows[] = {{"DXT1 64 x 32", 64, 32, false}, {"DXT5 32 x 128", 32, 128, true}, {"DXT5 4 x 4", 4, 4, true}};
    testsupport::CheckRows(rows, [](const Row& row) {
        const Image image = NoisyPicture(row.width, row.height, row.alpha);
        std::vector<unsigned char> byDefault, best;
        ASSERT_EQ(EncodeTexture(image, EncodeOptions(), byDefault), Ok);
        EncodeOptions options;
        options.quality = Quality::Best;
        options.threads = 3;
        ASSERT_EQ(EncodeTexture(image, options, best), Ok);
        EXPECT_EQ(best, byDefault);

        const int format = (row.alpha ? squish::kDxt5 : squish::kDxt1) | squish::kColourClusterFit;
        std::vector<unsigned char> whole(
            size_t(squish::GetStorageRequirements(int(row.width), int(row.height), format)));
        squish::CompressImage(image.rgba.data(), int(row.width), int(row.height), whole.data(), format);
        EXPECT_EQ(FirstMipData(best), whole);
    });
}

// Each quality decodes within half a dB under its measured figure (so a
// quality that slips to the one below it fails), and normal, which keeps a
// block's second fit only when it is closer, is always nearer the source than
// fast.
TEST(TextureEncodeQuality, QualitiesDecodeWithinTheirBounds)
{
    struct Row
    {
        const char* name;
        bool alpha;
        double minimumPsnr[3]; // best, normal, fast; top level over R, G, B and, with alpha, A
    };
    const Row rows[] = {{"DXT1", false, {37.2, 37.1, 34.9}}, {"DXT5", true, {38.4, 38.4, 36.1}}};
    const Quality qualities[3] = {Quality::Best, Quality::Normal, Quality::Fast};
    testsupport::CheckRows(rows, [&](const Row& row) {
        const Image image = NoisyPicture(128, 128, row.alpha);
        double psnr[3] = {};
        for (int i = 0; i < 3; ++i)
        {
            std::vector<unsigned char> bytes;
            ASSERT_EQ(
                EncodeTexture(image, Options(row.alpha ? PixelType::Dxt5 : PixelType::Dxt1, qualities[i], 2), bytes),
                Ok);
            Texture decoded;
            ASSERT_EQ(DecodeTexture(bytes.data(), bytes.size(), decoded), Ok);
            ASSERT_EQ(decoded.mipmaps.size(), 6u);
            psnr[i] = Psnr(image, decoded.mipmaps[0], row.alpha ? 4 : 3);
            EXPECT_GE(psnr[i], row.minimumPsnr[i]) << i;
        }
        EXPECT_GT(psnr[1], psnr[2]);
    });
}

TEST(TextureEncodeQuality, QualitiesByName)
{
    struct Row
    {
        const char* name;
        bool known;
        Quality quality;
    };
    const Row rows[] = {{"fast", true, Quality::Fast}, {"NORMAL", true, Quality::Normal},
                        {"Best", true, Quality::Best}, {"good", false, Quality::Best},
                        {"", false, Quality::Best},    {nullptr, false, Quality::Best}};
    testsupport::CheckRows(rows, [](const Row& row) {
        Quality quality = Quality::Best;
        EXPECT_EQ(ParseQuality(row.name, quality), row.known);
        EXPECT_EQ(quality, row.quality);
    });
}
