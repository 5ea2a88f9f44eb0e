// ostrel texture: PNG to texture and back through the tool, with its
// refusals; built only where the texture codec is.
#ifdef OSTREL_TEXTURE
#include <gtest/gtest.h>

#include "CliRun.h"
#include "TextureCodec.h"
#include "support/Rows.h"

using clitest::Ostrel;
using testsupport::Bytes;

namespace
{
class TextureCommandTest : public testsupport::FolderTest
{
protected:
    // A PNG of a 4-bit-level picture (exact through 4:4:4:4) of the given size.
    std::string Png(const std::string& name, unsigned width, unsigned height, bool alpha)
    {
        texture::Image image;
        image.width = width;
        image.height = height;
        for (unsigned i = 0; i < width * height; ++i)
            image.rgba.insert(image.rgba.end(), {static_cast<unsigned char>(i % 16 * 17), 0x44, 0x88,
                                                 static_cast<unsigned char>(alpha ? 0x77 : 0xFF)});
        Bytes png;
        EXPECT_EQ(texture::WritePng(image, png), texture::Ok);
        return Put(name, png);
    }
    texture::Texture Decode(const std::string& name)
    {
        texture::Texture decoded;
        EXPECT_EQ(texture::DecodeTextureFile(Path(name).c_str(), decoded), texture::Ok) << name;
        return decoded;
    }
};
} // namespace

TEST_F(TextureCommandTest, ConvertsBothWays)
{
    const std::string a = Png("a.png", 8, 8, true), b = Png("b.png", 16, 4, false);
    ASSERT_EQ(Ostrel({"texture", "frompng", a, b}).status, 0);
    EXPECT_EQ(Decode("a.paa").type, texture::PixelType::Dxt5); // alpha: DXT5 by default
    EXPECT_EQ(Decode("b.paa").type, texture::PixelType::Dxt1);
    ASSERT_EQ(Ostrel({"texture", "frompng", a, "-o", Path("c.paa"), "--type", "4444"}).status, 0);
    EXPECT_EQ(Decode("c.paa").mipmaps.size(), 2u);

    ASSERT_EQ(Ostrel({"texture", "topng", Path("c.paa"), "-o", Path("back.png")}).status, 0);
    EXPECT_EQ(Read("back.png"), testsupport::ReadFile(a)); // 4-bit levels survive exactly
    ASSERT_EQ(Ostrel({"texture", "topng", Path("c.paa"), "--all-mips"}).status, 0);
    texture::Image small;
    ASSERT_EQ(texture::ReadPngFile(Path("c.mip1.png").c_str(), small), texture::Ok);
    EXPECT_EQ(small.width, 4u);
    ASSERT_EQ(Ostrel({"texture", "topng", Path("c.paa"), "--mip", "1", "-o", Path("m1.png")}).status, 0);
    EXPECT_EQ(Read("m1.png"), Read("c.mip1.png"));
}

TEST_F(TextureCommandTest, RefusalsAndTheirStatuses)
{
    const std::string odd = Png("odd.png", 6, 4, false), good = Png("good.png", 4, 4, false);
    struct Row
    {
        std::vector<std::string> arguments;
        int status;
        std::string errPart;
    };
    const std::vector<Row> rows = {
        {{"texture", "frompng", odd}, 1, "6 x 4"},
        {{"texture", "frompng", good, odd, "-o", Path("x.paa")}, 2, "-o"},
        {{"texture", "frompng", good, "--type", "dxt3"}, 2, "dxt3"},
        {{"texture", "frompng", good, "--quality", "medium"}, 2, "medium"},
        {{"texture", "frompng", good, "-j", "0"}, 2, "-j"},
        {{"texture", "frompng", good, odd, "-j", "2"}, 1, "odd.png: 6 x 4"},
        {{"texture", "topng", Path("missing.paa")}, 1, "cannot read"},
        {{"texture", "topng", good}, 1, "Unknown File Format"},
        {{"texture"}, 2, ""},
    };
    for (const Row& row : rows)
    {
        testsupport::ProgramOutcome outcome = Ostrel(row.arguments);
        EXPECT_EQ(outcome.status, row.status) << row.arguments.back();
        EXPECT_NE(outcome.err.find(row.errPart), std::string::npos) << outcome.err;
    }
    EXPECT_FALSE(Exists("odd.paa"));
    EXPECT_TRUE(Exists("good.paa")); // written beside the refused one
}

TEST_F(TextureCommandTest, SeveralFilesAtOnceAtEachQuality)
{
    // Noisy pictures, so that the qualities give different blocks.
    std::vector<texture::Image> images;
    std::vector<std::string> inputs;
    const unsigned sides[][2] = {{64, 64}, {32, 128}, {8, 4}, {128, 16}, {16, 16}};
    for (const auto& side : sides)
    {
        texture::Image image;
        image.width = side[0];
        image.height = side[1];
        uint32_t state = side[0] * 131 + side[1];
        for (unsigned i = 0; i < side[0] * side[1] * 4; ++i)
        {
            state = state * 1664525u + 1013904223u;
            image.rgba.push_back(static_cast<unsigned char>(i % 4 == 3 ? 255 : (i / 4 % side[0]) * 2 + (state >> 29)));
        }
        Bytes png;
        ASSERT_EQ(texture::WritePng(image, png), texture::Ok);
        inputs.push_back(Put("p" + std::to_string(images.size()) + ".png", png));
        images.push_back(image);
    }
    struct Row
    {
        std::vector<std::string> extra;
        texture::Quality quality;
    };
    const std::vector<Row> rows = {
        {{}, texture::Quality::Normal}, // the tool's default
        {{"--quality", "best", "-j", "3"}, texture::Quality::Best},
        {{"--quality", "FAST", "-j", "1"}, texture::Quality::Fast},
        {{"--quality", "normal", "-j", "8"}, texture::Quality::Normal},
    };
    testsupport::CheckRows(rows, [&](const Row& row) {
        std::vector<std::string> arguments = {"texture", "frompng"};
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        arguments.insert(arguments.end(), row.extra.begin(), row.extra.end());
        ASSERT_EQ(Ostrel(arguments).status, 0);
        for (size_t i = 0; i < images.size(); ++i)
        {
            texture::EncodeOptions options;
            options.quality = row.quality;
            Bytes expected;
            ASSERT_EQ(texture::EncodeTexture(images[i], options, expected), texture::Ok);
            EXPECT_EQ(Read("p" + std::to_string(i) + ".paa"), expected) << i;
        }
    });
}
#endif
