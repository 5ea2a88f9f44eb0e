// Texture codec: every stored and packed mipmap form built byte by byte,
// damaged textures, round trips through each type and through PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "TextureCodec.h"
#include "inspect/DePac.h"
#include "inspect/texture_writer.h"
#include "support/Compressor.h"
#include "support/Rows.h"

using namespace texture;
using testsupport::Bytes;
using texturetest::TextureBytes;

namespace
{
// A one-mipmap texture whose OFFS tag points at its single mipmap.
Bytes OneMip(uint16_t type, uint32_t storedWidth, uint32_t height, const Bytes& data)
{
    TextureBytes t(type);
    size_t slot = t.Offsets({1});
    t.EndTags().Patch(slot, static_cast<uint32_t>(t.Size()));
    return t.U16(storedWidth).U16(height).U24(static_cast<uint32_t>(data.size())).Data(data).End().Get();
}

// Token-packed pixels whose trailing sum is taken over signed bytes.
Bytes PackSigned(const Bytes& pixels, int adjust = 0)
{
    Bytes packed = testsupport::Compress(pixels);
    uint32_t sum = static_cast<uint32_t>(adjust);
    for (unsigned char b : pixels)
        sum += static_cast<uint32_t>(static_cast<signed char>(b));
    for (int i = 0; i < 4; ++i)
        packed[packed.size() - 4 + i] = static_cast<unsigned char>(sum >> (8 * i));
    return packed;
}

Bytes Repeat(const Bytes& unit, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

// An LZO1X stream of one literal run (up to 238 bytes) and the end marker.
Bytes LzoLiterals(const Bytes& literals)
{
    Bytes out{static_cast<unsigned char>(17 + literals.size())};
    out.insert(out.end(), literals.begin(), literals.end());
    out.insert(out.end(), {0x11, 0x00, 0x00});
    return out;
}

const Bytes RedBlock = {0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0};                               // DXT1: colour 0 red
const Bytes GreenHalfAlpha = {0x80, 0x00, 0, 0, 0, 0, 0, 0, 0xE0, 0x07, 0, 0, 0, 0, 0, 0}; // DXT5

struct DecodeCase
{
    const char* name;
    Bytes bytes;
    int code;
    std::vector<unsigned char> firstPixel; // RGBA of the first mipmap's first pixel when code is 0
};

std::vector<DecodeCase> DecodeCases()
{
    const Bytes pixels4444 = Repeat({0x4C, 0xF8}, 16); // A 15, R 8, G 4, B 12
    // 5:5:5:1 word 0xFC10: A 1, R 31, G 0, B 16; 8080: luminance 0x40, alpha 0x80.
    const Bytes packed4444 = PackSigned(pixels4444);
    std::vector<DecodeCase> cases = {
        {"4444 stored",
         TextureBytes(0x4444).EndTags().U16(4).U16(4).U24(32).Data(pixels4444).End().Get(),
         Ok,
         {136, 68, 204, 255}},
        {"1555 stored",
         TextureBytes(0x1555).EndTags().U16(2).U16(1).U24(4).Data({0x10, 0xFC, 0x10, 0xFC}).End().Get(),
         Ok,
         {255, 0, 132, 255}},
        {"8080 stored",
         TextureBytes(0x8080).EndTags().U16(1).U16(1).U24(2).Data({0x40, 0x80}).End().Get(),
         Ok,
         {64, 64, 64, 128}},
        {"4444 packed",
         TextureBytes(0x4444).EndTags().U16(4).U16(4).U24(uint32_t(packed4444.size())).Data(packed4444).End().Get(),
         Ok,
         {136, 68, 204, 255}},
        {"4444 packed, sum over unsigned bytes",
         TextureBytes(0x4444)
             .EndTags()
             .U16(4)
             .U16(4)
             .U24(uint32_t(packed4444.size()))
             .Data(testsupport::Compress(pixels4444))
             .End()
             .Get(),
         PackedChecksum,
         {}},
        {"4444 packed, sum off by one",
         TextureBytes(0x4444)
             .EndTags()
             .U16(4)
             .U16(4)
             .U24(uint32_t(packed4444.size()))
             .Data(PackSigned(pixels4444, 1))
             .End()
             .Get(),
         PackedChecksum,
         {}},
        {"8080 packed, zero offset",
         TextureBytes(0x8080).EndTags().U16(4).U16(4).U24(7).Data({0x00, 0x00, 0x00, 0, 0, 0, 0}).End().Get(),
         PackedDamaged,
         {}},
        {"8080 packed, too short for its pixels",
         TextureBytes(0x8080).EndTags().U16(64).U16(64).U24(6).Data({0xFF, 1, 2, 3, 4, 5}).End().Get(),
         ShortMipData,
         {}},
        {"DXT1 stored", OneMip(0xFF01, 4, 4, RedBlock), Ok, {255, 0, 0, 255}},
        {"DXT5 stored", OneMip(0xFF05, 4, 4, GreenHalfAlpha), Ok, {0, 255, 0, 128}},
        {"DXT1 LZO", OneMip(0xFF01, 0x8004, 4, LzoLiterals(RedBlock)), Ok, {255, 0, 0, 255}},
        {"DXT5 LZO", OneMip(0xFF05, 0x8004, 4, LzoLiterals(GreenHalfAlpha)), Ok, {0, 255, 0, 128}},
        {"DXT1 LZO overruns its mipmap", OneMip(0xFF01, 0x8004, 4, LzoLiterals(Repeat(RedBlock, 2))), LzoDamaged, {}},
        {"DXT1 LZO stops short", OneMip(0xFF01, 0x8008, 4, LzoLiterals(RedBlock)), LzoDamaged, {}},
        {"DXT1 LZO cut off", OneMip(0xFF01, 0x8004, 4, {0x19, 0, 0xF8}), LzoDamaged, {}},
        {"DXT5 short data", OneMip(0xFF05, 4, 4, RedBlock), ShortMipData, {}},
        {"DXT1 width 0", OneMip(0xFF01, 0, 4, RedBlock), BadMipSize, {}},
        {"DXT1 LZO width 0", OneMip(0xFF01, 0x8000, 4, RedBlock), BadMipSize, {}},
        {"4444 height 0", TextureBytes(0x4444).EndTags().U16(4).U16(0).U24(0).End().Get(), BadMipSize, {}},
        {"DXT1 without offsets", TextureBytes(0xFF01).EndTags().Mip(4, 4, 8).End().Get(), NoOffsets, {}},
        {"no mipmaps", TextureBytes(0x4444).EndTags().End().Get(), NoMipmaps, {}},
        {"size past the end", TextureBytes(0x4444).EndTags().U16(4).U16(4).U24(0xFFFFFF).Get(), PrematureEnd, {}},
        {"cut in the tags", TextureBytes(0xFF01).Text("GGATCGVA").U32(4).Get(), PrematureEnd, {}},
        {"tag of wrong length", TextureBytes(0xFF01).Text("GGATCXAM").U32(2).U16(0).Get(), InvalidFile, {}},
        {"unknown tag", TextureBytes(0x4444).Text("GGATABCD").U32(4).U32(0).Get(), UnknownTag, {}},
        {"marker not zero", TextureBytes(0x4444).EndTags().Mip(1, 1, 2).U16(0).U16(0).U16(3).Get(), NoEndingZeroes, {}},
        {"index palette", TextureBytes().Text("GGATCGVA").U32(4).Get(), UnknownFormat, {}},
        {"empty", {}, UnknownFormat, {}},
        // 32767 x 32767 DXT5 from a few LZO bytes: refused before unpacking.
        {"LZO mipmap beyond the bound", OneMip(0xFF05, 0xFFFF, 0x7FFF, LzoLiterals(RedBlock)), TooLarge, {}},
    };
    return cases;
}
} // namespace

TEST(TextureCodec, DecodesEveryMipmapForm)
{
    for (const DecodeCase& c : DecodeCases())
    {
        SCOPED_TRACE(c.name);
        Texture texture;
        ASSERT_EQ(DecodeTexture(c.bytes.data(), c.bytes.size(), texture), c.code);
        if (c.code != Ok)
        {
            EXPECT_TRUE(texture.mipmaps.empty());
            EXPECT_STRNE(ErrorText(c.code), ErrorText(Ok));
            continue;
        }
        ASSERT_EQ(texture.mipmaps.size(), 1u);
        const Image& image = texture.mipmaps[0];
        ASSERT_EQ(image.rgba.size(), size_t(image.width) * image.height * 4);
        EXPECT_EQ(std::vector<unsigned char>(image.rgba.begin(), image.rgba.begin() + 4), c.firstPixel);
        // Every pixel of these mipmaps is the same.
        for (size_t i = 4; i < image.rgba.size(); ++i)
            ASSERT_EQ(image.rgba[i], image.rgba[i % 4]) << "byte " << i;
    }
}

namespace
{
// A deterministic picture: gradients, a checker and, with alpha, an alpha ramp.
Image Picture(unsigned width, unsigned height, bool alpha, unsigned levelsOf = 0)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgba.resize(size_t(width) * height * 4);
    for (unsigned y = 0; y < height; ++y)
    {
        for (unsigned x = 0; x < width; ++x)
        {
            unsigned char* p = &image.rgba[(size_t(y) * width + x) * 4];
            p[0] = static_cast<unsigned char>(x * 255 / (width - 1));
            p[1] = static_cast<unsigned char>(y * 255 / (height - 1));
            p[2] = ((x / 8 + y / 8) & 1) ? 200 : 40;
            p[3] = alpha ? static_cast<unsigned char>((x + y) * 255 / (width + height - 2)) : 255;
            // Snapped to a type's levels (widened by repeating the top
            // bits), the picture survives that type exactly.
            for (int c = 0; c < 4 && levelsOf; ++c)
            {
                unsigned level = (p[c] * levelsOf + 127) / 255;
                p[c] = static_cast<unsigned char>(levelsOf == 15 ? level * 17 : (level << 3) | (level >> 2));
            }
        }
    }
    return image;
}

int MaxDifference(const Image& a, const Image& b)
{
    int worst = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i)
        worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
    return worst;
}

double MeanDifference(const Image& a, const Image& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.rgba.size(); ++i)
        sum += std::abs(int(a.rgba[i]) - int(b.rgba[i]));
    return sum / a.rgba.size();
}

// Mipmaps whose stored width carries the LZO bit, found through OFFS.
int PackedMips(const Bytes& bytes)
{
    size_t tag = 2;
    while (std::string(bytes.begin() + long(tag), bytes.begin() + long(tag) + 8) != "GGATSFFO")
        tag += 16;
    int packed = 0;
    for (size_t slot = tag + 12; slot < tag + 12 + 64; slot += 4)
    {
        uint32_t at = bytes[slot] | (bytes[slot + 1] << 8) | (bytes[slot + 2] << 16);
        if (at != 0 && (bytes[at + 1] & 0x80))
            ++packed;
    }
    return packed;
}

Image Grey(const Image& image)
{
    Image grey = image;
    for (size_t i = 0; i < grey.rgba.size(); i += 4)
        grey.rgba[i + 1] = grey.rgba[i + 2] = grey.rgba[i];
    return grey;
}
} // namespace

TEST(TextureCodec, RoundTripsThroughEveryType)
{
    struct Row
    {
        const char* name;
        PixelType type;
        bool lzo;
        Image image;
        int maxError;     // worst channel difference on the largest mipmap
        double meanError; // mean channel difference
    };
    const Row rows[] = {
        {"dxt1", PixelType::Dxt1, false, Picture(64, 32, false), 40, 4.0},
        {"dxt1 lzo", PixelType::Dxt1, true, Picture(64, 32, false), 40, 4.0},
        {"dxt5", PixelType::Dxt5, false, Picture(32, 64, true), 40, 4.0},
        {"dxt5 lzo", PixelType::Dxt5, true, Picture(256, 4, true), 40, 4.0},
        {"4444", PixelType::Rgba4444, false, Picture(16, 16, true), 8, 4.5},
        {"4444 exact", PixelType::Rgba4444, false, Picture(16, 8, true, 15), 0, 0},
        {"1555 exact", PixelType::Rgba5551, false, Picture(8, 16, false, 31), 0, 0},
        {"8080 exact", PixelType::LumAlpha, false, Grey(Picture(32, 32, true)), 0, 0},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        EncodeOptions options;
        options.automatic = false;
        options.type = row.type;
        options.lzo = row.lzo;
        Bytes bytes;
        ASSERT_EQ(EncodeTexture(row.image, options, bytes), Ok);
        // The inspector walks the result; 5:5:5:1 textures it never walks.
        DePac inspector;
        EXPECT_EQ(inspector.Open(bytes.data(), bytes.size(), nullptr), row.type == PixelType::Rgba5551 ? 6 : 0);

        Texture texture;
        ASSERT_EQ(DecodeTexture(bytes.data(), bytes.size(), texture), Ok);
        EXPECT_EQ(texture.type, row.type);
        ASSERT_FALSE(texture.mipmaps.empty());
        unsigned w = row.image.width, h = row.image.height;
        for (const Image& mip : texture.mipmaps)
        {
            EXPECT_EQ(mip.width, w);
            EXPECT_EQ(mip.height, h);
            w = std::max(4u, w / 2);
            h = std::max(4u, h / 2);
        }
        const Image& last = texture.mipmaps.back();
        EXPECT_TRUE(last.width == 4 && last.height == 4);
        EXPECT_LE(MaxDifference(row.image, texture.mipmaps[0]), row.maxError);
        EXPECT_LE(MeanDifference(row.image, texture.mipmaps[0]), row.meanError);
        // The LZO bit marks packed mipmaps, and only with the option.
        EXPECT_EQ(PackedMips(bytes) > 0, row.lzo);
    });
}

TEST(TextureCodec, WritesTagsOffsetsAndEndMarker)
{
    Image image = Picture(16, 8, true);
    Bytes bytes;
    ASSERT_EQ(EncodeTexture(image, EncodeOptions(), bytes), Ok);
    // Automatic type: alpha present, so DXT5, with FLAG 1.
    TextureBytes expected(0xFF05);
    expected.Tag("AVGC", 0).Tag("MAXC", 0xFFFFFFFF).Tag("FLAG", 1);
    size_t slot = expected.Offsets({});
    ASSERT_GT(bytes.size(), expected.Size() + 2);
    Bytes head(bytes.begin(), bytes.begin() + static_cast<long>(expected.Size()));
    // The average colour differs from the placeholder only in its payload.
    for (int i = 0; i < 4; ++i)
        head[14 + i] = 0;
    for (size_t i = 0; i < 16 * 4; ++i)
        head[slot + i] = 0;
    EXPECT_EQ(head, expected.Get());
    // Offsets: 16 x 8 (64 bytes), 8 x 4 (32), 4 x 4 (16), then the end marker.
    const uint32_t first = static_cast<uint32_t>(expected.Size() + 2);
    const uint32_t want[] = {first, first + 7 + 128, first + 14 + 128 + 32, 0};
    for (int i = 0; i < 4; ++i)
    {
        uint32_t got = 0;
        for (int b = 0; b < 4; ++b)
            got |= uint32_t(bytes[slot + 4 * i + b]) << (8 * b);
        EXPECT_EQ(got, want[i]) << "slot " << i;
    }
    EXPECT_EQ(bytes.size(), want[2] + 7 + 16 + 6);
    EXPECT_EQ(Bytes(bytes.end() - 6, bytes.end()), Bytes(6, 0));

    // Average colour A R G B of a flat picture; opaque pictures carry no FLAG.
    Image flat;
    flat.width = flat.height = 4;
    for (int i = 0; i < 16; ++i)
        flat.rgba.insert(flat.rgba.end(), {0x11, 0x22, 0x33, 0xFF});
    ASSERT_EQ(EncodeTexture(flat, EncodeOptions(), bytes), Ok);
    TextureBytes opaque(0xFF01);
    opaque.Tag("AVGC", 0xFF112233).Tag("MAXC", 0xFFFFFFFF).Text("GGATSFFO");
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(opaque.Size())), opaque.Get());
}

TEST(TextureCodec, RefusesImagesTheGamesCannotLoad)
{
    struct Row
    {
        unsigned width, height;
        PixelType type;
        size_t bytes; // size of the RGBA block handed over
        int code;
    };
    const Row rows[] = {
        {3, 4, PixelType::Dxt1, 48, BadImageSize},
        {8, 6, PixelType::Dxt1, 192, BadImageSize},
        {4, 2, PixelType::Dxt1, 32, BadImageSize},
        {8192, 4, PixelType::Dxt1, 8192 * 16, BadImageSize},
        {0, 0, PixelType::Dxt1, 0, BadImageSize},
        {8, 8, PixelType::Dxt1, 100, BadImageSize},
        {4096, 2048, PixelType::Rgba4444, 4096u * 2048 * 4, MipTooLarge},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
        Image image;
        image.width = row.width;
        image.height = row.height;
        image.rgba.assign(row.bytes, 0xFF);
        EncodeOptions options;
        options.automatic = false;
        options.type = row.type;
        Bytes out{1, 2, 3};
        EXPECT_EQ(EncodeTexture(image, options, out), row.code);
        EXPECT_TRUE(out.empty());
    }
}

TEST(TextureCodec, TypesByNameAndByDefault)
{
    const std::pair<const char*, PixelType> names[] = {{"dxt1", PixelType::Dxt1},
                                                       {"DXT5", PixelType::Dxt5},
                                                       {"4444", PixelType::Rgba4444},
                                                       {"1555", PixelType::Rgba5551},
                                                       {"8080", PixelType::LumAlpha}};
    for (const auto& name : names)
    {
        PixelType type = PixelType::Dxt1;
        EXPECT_TRUE(ParseType(name.first, type)) << name.first;
        EXPECT_EQ(type, name.second) << name.first;
    }
    PixelType type;
    EXPECT_FALSE(ParseType("dxt", type));
    EXPECT_FALSE(ParseType("dxt12", type));
    EXPECT_FALSE(ParseType(nullptr, type));
    EXPECT_EQ(DefaultType(Picture(8, 8, false)), PixelType::Dxt1);
    EXPECT_EQ(DefaultType(Picture(8, 8, true)), PixelType::Dxt5);
}

// Each pixel of a generated mipmap is the average of the 2 x 2 pixels it
// covers (2 x 1 or 1 x 2 once a side is 4), halves rounded up. The grey and
// alpha type stores 8-bit values, so the decoded mipmaps are the generated ones.
TEST(TextureCodec, GeneratedMipmapsAverageTheirParents)
{
    for (const auto& size : {std::pair<unsigned, unsigned>{16, 16}, {32, 4}, {4, 8}})
    {
        SCOPED_TRACE(std::to_string(size.first) + "x" + std::to_string(size.second));
        Image image;
        image.width = size.first;
        image.height = size.second;
        image.rgba.resize(size_t(image.width) * image.height * 4);
        uint32_t state = 7;
        for (size_t i = 0; i < image.rgba.size(); i += 4)
        {
            state = state * 1103515245u + 12345u;
            image.rgba[i] = image.rgba[i + 1] = image.rgba[i + 2] = static_cast<unsigned char>(state >> 24);
            image.rgba[i + 3] = static_cast<unsigned char>(state >> 16);
        }
        EncodeOptions options;
        options.automatic = false;
        options.type = PixelType::LumAlpha;
        Bytes bytes;
        ASSERT_EQ(EncodeTexture(image, options, bytes), Ok);
        Texture texture;
        ASSERT_EQ(DecodeTexture(bytes.data(), bytes.size(), texture), Ok);
        ASSERT_GE(texture.mipmaps.size(), 2u);
        EXPECT_EQ(texture.mipmaps[0].rgba, image.rgba);
        for (size_t level = 1; level < texture.mipmaps.size(); ++level)
        {
            const Image& parent = texture.mipmaps[level - 1];
            const Image& mip = texture.mipmaps[level];
            const unsigned sx = parent.width / mip.width, sy = parent.height / mip.height;
            ASSERT_EQ(sx * sy, parent.width > 4 && parent.height > 4 ? 4u : 2u) << level;
            // Every parent pixel adds into the mipmap pixel that covers it.
            std::vector<unsigned> sums(mip.rgba.size(), 0);
            for (size_t i = 0; i < parent.rgba.size(); ++i)
            {
                const size_t pixel = i / 4, x = pixel % parent.width, y = pixel / parent.width;
                sums[((y / sy) * mip.width + x / sx) * 4 + i % 4] += parent.rgba[i];
            }
            for (size_t i = 0; i < sums.size(); ++i)
                ASSERT_EQ(mip.rgba[i], (2 * sums[i] + sx * sy) / (2 * sx * sy)) << "level " << level << " byte " << i;
        }
    }
}
