// Texture inspector: codes and printed lines for textures built byte by byte,
// named files, and damaged input.
#include <gtest/gtest.h>

#include "inspect/DePac.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "texture_writer.h"

using testsupport::Bytes;
using testsupport::Capture;
using texturetest::TextureBytes;

namespace
{
const char* const TypeLine = "Type: ";
const char* const Rgba4444 = "Uncompressed RGBA 4:4:4:4 texture\r\n";
const char* const Dxt1 = "DXT1 / S3TC compression\r\n";

int RunTexture(const Bytes& bytes)
{
    Capture::Reset();
    DePac pac;
    return pac.Open(bytes.data(), bytes.size(), &Capture::Callback);
}

// A texture listing its mipmaps through OFFS slots 0, 2 and (with third) 3:
// a 4 x 4 mipmap with its data, then a 2 x 2 header whose data is left to the
// caller, then the third slot, shift bytes off where the data ends.
TextureBytes OffsetTexture(uint16_t type, uint32_t secondSize, bool third = false, int shift = 0)
{
    TextureBytes t(type);
    size_t slots = t.Offsets({1, 0, 1, third ? 1u : 0u});
    t.EndTags();
    t.Patch(slots, static_cast<uint32_t>(t.Size()));
    t.Mip(4, 4, 8);
    uint32_t second = static_cast<uint32_t>(t.Size());
    t.Patch(slots + 8, second);
    t.U16(2).U16(2).U24(secondSize);
    if (third)
        t.Patch(slots + 12, second + 7 + secondSize + shift);
    return t;
}

struct Case
{
    const char* name;
    Bytes bytes;
    int code;
    std::vector<std::string> lines;
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    cases.push_back({"empty", {}, 4, {TypeLine, "Unsupported format 0000\r\n"}});
    cases.push_back(
        {"unknown type", TextureBytes(0x1234).EndTags().End().Get(), 4, {TypeLine, "Unsupported format 1234\r\n"}});
    cases.push_back({"4444 without tags",
                     TextureBytes(0x4444).EndTags().Mip(2, 2, 8).Mip(1, 1, 2).End().Get(),
                     0,
                     {TypeLine, Rgba4444, "2 x 2 Size=8\r\n", "1 x 1 Size=2\r\n"}});
    cases.push_back({"8080 with every word tag",
                     TextureBytes(0x8080)
                         .Tag("AVGC", 0xff80a0b0)
                         .Tag("MAXC", 0x1f)
                         .Tag("FLAG", 1)
                         .Tag("SWIZ", 0x05040302)
                         .EndTags()
                         .Mip(65535, 3, 0)
                         .End()
                         .Get(),
                     0,
                     {TypeLine, "Uncompressed Luminosity/Alpha map\r\n", "AVGC TAGG: Avg Color FF80A0B0\r\n",
                      "MAXC TAGG: Max Color 1F\r\n", "FLAG TAGG: AlphaFlag 1\r\n", "SWIZ TAGG: 5040302\r\n",
                      "65535 x 3 Size=0\r\n"}});
    cases.push_back({"lower-case tag name",
                     TextureBytes(0x4444).Text("ggatcgva").U32(4).U32(7).EndTags().End().Get(),
                     0,
                     {TypeLine, Rgba4444, "AVGC TAGG: Avg Color 7\r\n"}});
    cases.push_back({"excess bytes",
                     TextureBytes(0x4444).EndTags().End().U16(9).Get(),
                     0,
                     {TypeLine, Rgba4444, "Excess bytes 2\r\n"}});
    cases.push_back({"unknown tag",
                     TextureBytes(0x4444).Text("GGATABCD").U32(4).U32(0).Get(),
                     5,
                     {TypeLine, Rgba4444, "unknown tagg GGATABCD\r\n"}});
    cases.push_back({"word tag of length 8",
                     TextureBytes(0x4444).Text("GGATCXAM").U32(8).U32(0).U32(0).Get(),
                     3,
                     {TypeLine, Rgba4444}});
    cases.push_back(
        {"tag cut short", TextureBytes(0x4444).Text("GGATCXAM").U32(4).U16(0).Get(), 1, {TypeLine, Rgba4444}});
    cases.push_back({"no end of tags", TextureBytes(0x4444).Get(), 1, {TypeLine, Rgba4444}});
    cases.push_back(
        {"end marker not zero", TextureBytes(0x4444).EndTags().U16(0).U16(0).U16(1).Get(), 7, {TypeLine, Rgba4444}});
    cases.push_back(
        {"DXT1 without offsets", TextureBytes(0xFF01).EndTags().Mip(1, 1, 1).End().Get(), 6, {TypeLine, Dxt1}});
    cases.push_back({"DXT5 offsets walked",
                     OffsetTexture(0xFF05, 8).Fill(8).End().Get(),
                     0,
                     {TypeLine, "XBox/Arma DXT5 compressed texture\r\n", "OFFS TAGG: Offsets. ", "1 entries\r\n",
                      "4 x 4 Size=8\r\n", "2 x 2 Size=8\r\n"}});
    TextureBytes misplaced(0xFF01);
    size_t slot = misplaced.Offsets({1});
    misplaced.EndTags().Patch(slot, static_cast<uint32_t>(misplaced.Size() + 4));
    cases.push_back({"first offset elsewhere",
                     misplaced.Mip(1, 1, 1).End().Get(),
                     3,
                     {TypeLine, Dxt1, "OFFS TAGG: Offsets. ", "1 entries\r\n", "rawlen != offset\r\n"}});
    cases.push_back({"offsets then non-zero marker",
                     OffsetTexture(0x8080, 0).U16(0).U16(5).U16(0).Get(),
                     7,
                     {TypeLine, "Uncompressed Luminosity/Alpha map\r\n", "OFFS TAGG: Offsets. ", "1 entries\r\n",
                      "4 x 4 Size=8\r\n", "2 x 2 Size=0\r\n"}});
    cases.push_back({"OFFS of length 60",
                     TextureBytes(0xFF01).Text("GGATSFFO").U32(60).Get(),
                     3,
                     {TypeLine, Dxt1, "OFFS TAGG: Offsets. "}});
    cases.push_back({"5551 with sound tags",
                     TextureBytes(0x1555).Tag("FLAG", 0).EndTags().End().Get(),
                     6,
                     {TypeLine, "Uncompressed RGBA 5:5:5:1 texture\r\n", "FLAG TAGG: AlphaFlag 0\r\n"}});
    TextureBytes withOffsets(0x1555);
    withOffsets.Offsets({});
    cases.push_back({"5551 with offsets",
                     withOffsets.EndTags().End().Get(),
                     6,
                     {TypeLine, "Uncompressed RGBA 5:5:5:1 texture\r\n", "OFFS TAGG: Offsets. ", "0 entries\r\n"}});
    // An index palette has no type word: "GG" starts its first tag.
    const std::string palette = "Uncompressed Index Palette texture\r\n";
    cases.push_back({"palette AVGC", TextureBytes().Text("GGATCGVA").U32(9).Get(), 0, {TypeLine, palette}});
    cases.push_back({"palette other tag of 4", TextureBytes().Text("GGATLAPP").U32(4).Get(), 0, {TypeLine, palette}});
    cases.push_back({"palette other tag of 5", TextureBytes().Text("GGATLAPP").U32(5).Get(), 4, {TypeLine, palette}});
    cases.push_back({"palette cut short", TextureBytes().Text("GGATCGVA").U16(4).Get(), 1, {TypeLine, palette}});
    // Sizes that reach past the end of the input read nothing there.
    cases.push_back({"mipmap past the end",
                     TextureBytes(0x4444).EndTags().U16(4).U16(4).U24(0xFFFFFF).Get(),
                     1,
                     {TypeLine, Rgba4444, "4 x 4 Size=16777215\r\n"}});
    const std::vector<std::string> pastEnd = {
        TypeLine, Dxt1, "OFFS TAGG: Offsets. ", "1 entries\r\n", "4 x 4 Size=8\r\n", "2 x 2 Size=1048576\r\n"};
    cases.push_back({"offsets end past the end", OffsetTexture(0xFF01, 0x100000).Get(), 1, pastEnd});
    cases.push_back(
        {"offset at the true position past the end", OffsetTexture(0xFF01, 0x100000, true).Get(), 1, pastEnd});
    std::vector<std::string> elsewhere = pastEnd;
    elsewhere.push_back("rawlen != offset\r\n");
    cases.push_back({"offset past the end elsewhere", OffsetTexture(0xFF01, 0x100000, true, 1).Get(), 3, elsewhere});
    return cases;
}
} // namespace

TEST(TextureInspector, CodesAndLinesOfBuiltTextures)
{
    for (const Case& c : Cases())
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunTexture(c.bytes), c.code);
        EXPECT_EQ(Capture::lines, c.lines);
    }
}

TEST(TextureInspector, NamedFilesNeedTheTextureExtension)
{
    testsupport::TempDir dir;
    const Bytes good = TextureBytes(0x4444).EndTags().Mip(1, 1, 2).End().Get();
    struct Row
    {
        const char* file;
        bool written;
        int code;
        size_t lines;
    };
    const Row rows[] = {
        {"plain", true, 3, 0},   {"tex.txt", true, 3, 0},      {"tex.paa", true, 0, 3},
        {"TEX.PAC", true, 0, 3}, {"missing.paa", false, 3, 0}, {"dir.paa/tex", true, 3, 0},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.file);
        std::string path = dir.Path(row.file);
        if (row.written && std::string(row.file).find('/') == std::string::npos)
            testsupport::WriteFile(path, good);
        Capture::Reset();
        DePac pac;
        EXPECT_EQ(pac.Open(path.c_str(), &Capture::Callback), row.code);
        EXPECT_EQ(Capture::lines.size(), row.lines);
    }
    // A failed run releases the loaded copy; the same object opens again.
    DePac pac;
    dir.Put("bad.paa", Bytes{1, 2, 3});
    EXPECT_EQ(pac.Open(dir.Path("bad.paa").c_str(), nullptr), 4);
    EXPECT_EQ(pac.Open(dir.Path("tex.paa").c_str(), nullptr), 0);
}

// Every prefix and every single-byte change of sound textures ends with a
// code of the table (the sanitizer build checks the reads).
TEST(TextureInspector, DamagedTexturesEndWithACode)
{
    const Bytes samples[] = {
        OffsetTexture(0xFF01, 8).Fill(8).End().Get(),
        TextureBytes(0x4444).Tag("AVGC", 1).EndTags().Mip(2, 2, 8).Mip(1, 1, 2).End().Get(),
    };
    DePac pac;
    for (const Bytes& sample : samples)
    {
        ASSERT_EQ(pac.Open(sample.data(), sample.size(), nullptr), 0);
        for (size_t n = 0; n < sample.size(); ++n)
        {
            Bytes cut(sample.begin(), sample.begin() + n);
            int code = pac.Open(cut.data(), cut.size(), nullptr);
            EXPECT_TRUE(code == 1 || code == 4) << "prefix " << n << " gave " << code;
            for (unsigned char change : {0x00, 0x01, 0x80, 0xFF})
            {
                Bytes bent = sample;
                bent[n] ^= change;
                code = pac.Open(bent.data(), bent.size(), nullptr);
                EXPECT_TRUE(code >= 0 && code <= 7 && code != 2) << "byte " << n << " gave " << code;
            }
        }
    }
}
