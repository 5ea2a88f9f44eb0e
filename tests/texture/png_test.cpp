// PNG reading and writing of the texture codec, and the file forms of the
// codec's calls: texture to PNG to texture, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "TextureCodec.h"
#include "support/TempDir.h"

using namespace texture;
using testsupport::Bytes;

namespace
{
Image Sample(unsigned width, unsigned height)
{
    Image image;
    image.width = width;
    image.height = height;
    for (unsigned i = 0; i < width * height; ++i)
        image.rgba.insert(image.rgba.end(), {static_cast<unsigned char>(i * 17), static_cast<unsigned char>(i * 34),
                                             static_cast<unsigned char>(255 - i), static_cast<unsigned char>(i * 51)});
    return image;
}
} // namespace

TEST(TexturePng, ImagesSurvivePngExactly)
{
    for (unsigned side : {1u, 4u, 33u})
    {
        Image image = Sample(side, side + 1);
        Bytes png;
        ASSERT_EQ(WritePng(image, png), Ok);
        ASSERT_GT(png.size(), 8u);
        EXPECT_EQ(Bytes(png.begin(), png.begin() + 4), (Bytes{0x89, 'P', 'N', 'G'}));
        Image back;
        ASSERT_EQ(ReadPng(png.data(), png.size(), back), Ok);
        EXPECT_EQ(back.width, image.width);
        EXPECT_EQ(back.height, image.height);
        EXPECT_EQ(back.rgba, image.rgba);
    }
}

TEST(TexturePng, DamagedPngIsRefused)
{
    Bytes png;
    ASSERT_EQ(WritePng(Sample(16, 16), png), Ok);
    Bytes truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    Bytes badData = png;
    badData[png.size() / 2] ^= 0xFF; // inside the image data: its CRC no longer matches
    const std::pair<const char*, Bytes> rows[] = {
        {"empty", {}}, {"not a PNG", Bytes(64, 'x')}, {"truncated", truncated}, {"flipped byte", badData}};
    for (const auto& row : rows)
    {
        Image image;
        EXPECT_EQ(ReadPng(row.second.data(), row.second.size(), image), BadPng) << row.first;
    }
    Image wrong;
    wrong.width = wrong.height = 2;
    wrong.rgba.resize(3);
    EXPECT_EQ(WritePng(wrong, png), BadImageSize);
}

TEST(TexturePng, TextureToPngToTextureThroughFiles)
{
    testsupport::TempDir dir;
    // A picture on 4-bit levels survives 4:4:4:4 exactly, so the texture
    // made again from its PNG is the same file.
    Image image = Sample(8, 8);
    for (unsigned char& v : image.rgba)
        v = static_cast<unsigned char>(v / 17 * 17);
    EncodeOptions options;
    options.automatic = false;
    options.type = PixelType::Rgba4444;
    const std::string paa = dir.Path("a.paa"), png = dir.Path("a.png"), again = dir.Path("b.paa");
    ASSERT_EQ(EncodeTextureFile(image, options, paa.c_str()), Ok);
    Texture texture;
    ASSERT_EQ(DecodeTextureFile(paa.c_str(), texture), Ok);
    ASSERT_EQ(texture.mipmaps.size(), 2u);
    ASSERT_EQ(WritePngFile(texture.mipmaps[0], png.c_str()), Ok);
    Image read;
    ASSERT_EQ(ReadPngFile(png.c_str(), read), Ok);
    EXPECT_EQ(read.rgba, image.rgba);
    ASSERT_EQ(EncodeTextureFile(read, options, again.c_str()), Ok);
    EXPECT_EQ(testsupport::ReadFile(again), testsupport::ReadFile(paa));

    EXPECT_EQ(DecodeTextureFile(dir.Path("missing.paa").c_str(), texture), CannotRead);
    EXPECT_EQ(ReadPngFile(dir.Path("missing.png").c_str(), read), CannotRead);
    EXPECT_EQ(WritePngFile(image, dir.Path("no/such/folder.png").c_str()), CannotWrite);
}
