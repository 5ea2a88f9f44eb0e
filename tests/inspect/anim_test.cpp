// Animation reader: size rules, in-place getters, names and damaged headers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "inspect/DeRtm.h"
#include "support/Rows.h"
#include "support/TempDir.h"

using testsupport::Bytes;

namespace
{
void PutU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutFloat(Bytes& out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

void PutName(Bytes& out, const std::string& name)
{
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), 32 - name.size(), 0);
}

// An animation of the given counts: picture p is named "pic<p>", frame f has
// time f / 2, and transform element k of picture p in frame f is
// 100 f + 10 p + k.
Bytes Animation(uint32_t frames, uint32_t pictures, const char* signature = "RTM_0101")
{
    Bytes out(signature, signature + 8);
    for (float v : {1.5f, -2.0f, 3.25f})
        PutFloat(out, v);
    PutU32(out, frames);
    PutU32(out, pictures);
    for (uint32_t p = 0; p < pictures; ++p)
        PutName(out, "pic" + std::to_string(p));
    for (uint32_t f = 0; f < frames; ++f)
    {
        PutFloat(out, f / 2.0f);
        for (uint32_t p = 0; p < pictures; ++p)
        {
            PutName(out, "f" + std::to_string(f) + "p" + std::to_string(p));
            for (int k = 0; k < 12; ++k)
                PutFloat(out, static_cast<float>(100 * f + 10 * p + k));
        }
    }
    return out;
}

Bytes WithCounts(uint32_t frames, uint32_t pictures, size_t size)
{
    Bytes out = Animation(0, 0);
    std::memcpy(&out[20], &frames, 4);
    std::memcpy(&out[24], &pictures, 4);
    out.resize(size, 0);
    return out;
}
} // namespace

TEST(Animation, SizeMustMatchTheCounts)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        int code;
    };
    const Bytes sound = Animation(3, 2);
    const Bytes empty = Animation(0, 0);
    const Bytes named = Animation(0, 2);
    Bytes longer = sound;
    longer.push_back(0);
    const Case cases[] = {
        {"empty animation", Animation(0, 0), 0},
        {"2 pictures, 3 frames", Animation(3, 2), 0},
        {"one byte short", Bytes(sound.begin(), sound.end() - 1), 1},
        {"one byte long", longer, 1},
        {"lower-case signature", Animation(1, 1, "rtm_0101"), 0},
        {"other signature", Animation(1, 1, "RTM_0102"), 3},
        {"short signature", Bytes({'R', 'T', 'M'}), 1},
        {"header cut", Bytes(empty.begin(), empty.begin() + 27), 1},
        {"names cut", Bytes(named.begin(), named.end() - 1), 1},
        // 32 × P and 80 × P wrap to 0 in 32 bits: the names would seem to end
        // at byte 28 and frames to take 4 bytes.
        {"picture count that wraps", WithCounts(1, 0x08000000u, 32), 1},
        {"frame count with no bytes", WithCounts(0x40000000u, 0, 28), 1},
        {"all counts maximal", WithCounts(0xFFFFFFFFu, 0xFFFFFFFFu, 28), 1},
    };
    EXPECT_EQ(Animation(3, 2).size(), 584u);
    testsupport::CheckRows(cases, [&](const Case& c) {
        DeRtm rtm;
        int code = rtm.Open(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(code, c.code);
        if (code != 0)
        {
            EXPECT_EQ(rtm.GetFrameCount(), 0);
            EXPECT_EQ(rtm.GetPictureName(0), nullptr);
            EXPECT_EQ(rtm.GetTransform(0, 0, 0, 0), 0.0f);
        }
    });
}

TEST(Animation, GettersReadTheLoadedBytes)
{
    Bytes bytes = Animation(3, 2);
    // Picture 1's table name fills its whole field.
    std::memset(&bytes[28 + 32], 'Z', 32);
    DeRtm rtm;
    ASSERT_EQ(rtm.Open(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(rtm.GetFrameCount(), 3);
    EXPECT_EQ(rtm.GetPictureCount(), 2);
    EXPECT_STREQ(rtm.GetPictureName(0), "pic0");
    EXPECT_EQ(std::string(rtm.GetPictureName(1)), std::string(32, 'Z'));
    EXPECT_EQ(rtm.GetPictureName(2), nullptr);
    EXPECT_STREQ(rtm.GetFramePictureName(2, 1), "f2p1");
    EXPECT_EQ(rtm.GetFramePictureName(3, 0), nullptr);
    EXPECT_EQ(rtm.GetFramePictureName(0, 2), nullptr);
    EXPECT_EQ(rtm.GetPictureName(0), reinterpret_cast<const char*>(bytes.data() + 28)); // in place

    const float expected[][2] = {{1.5f, 0}, {-2.0f, 1}, {3.25f, 2}, {0, 3}, {0, -1}};
    for (const auto& v : expected)
        EXPECT_EQ(rtm.GetVertex(static_cast<int>(v[1])), v[0]) << v[1];
    EXPECT_EQ(rtm.GetFrameTime(2), 1.0f);
    EXPECT_EQ(rtm.GetFrameTime(3), 0.0f);
    EXPECT_EQ(rtm.GetFrameTime(-1), 0.0f);

    // Frame 1, picture 0, row 3, column 2: byte 28 + 32 P + (4 + 80 P) + 4 + 32 + 44.
    float stored;
    std::memcpy(&stored, &bytes[28 + 64 + 164 + 4 + 32 + 44], 4);
    EXPECT_EQ(rtm.GetTransform(1, 0, 3, 2), stored);
    EXPECT_EQ(stored, 111.0f);
    EXPECT_EQ(rtm.GetTransform(2, 1, 1, 0), 213.0f);
    const int outside[][4] = {{3, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 3}, {0, 0, -1, 0}, {0, 0, 0, -1}};
    for (const auto& o : outside)
        EXPECT_EQ(rtm.GetTransform(o[0], o[1], o[2], o[3]), 0.0f) << o[0] << o[1] << o[2] << o[3];

    rtm.Close();
    EXPECT_EQ(rtm.GetFrameCount(), 0);
    EXPECT_EQ(rtm.GetFrameTime(0), 0.0f);
    EXPECT_EQ(rtm.GetVertex(0), 0.0f);
    EXPECT_STREQ(DeRtm::ErrorString(1), "Rtm: Premature EOF");
    EXPECT_STREQ(DeRtm::ErrorString(4), "Rtm: Unknown error");
}

TEST(Animation, EveryPrefixAndByteFlipEndsWithACode)
{
    const Bytes valid = Animation(2, 3);
    DeRtm rtm;
    for (size_t cut = 0; cut < valid.size(); ++cut)
    {
        int code = rtm.Open(valid.data(), cut);
        EXPECT_TRUE(code == 1 || code == 3) << cut;
    }
    for (size_t at = 0; at < 28; ++at)
    {
        Bytes damaged = valid;
        damaged[at] ^= 0x81;
        int code = rtm.Open(damaged.data(), damaged.size());
        EXPECT_TRUE(code >= 0 && code <= 3) << at;
        for (unsigned long f = 0; f < 4; ++f)
            (void)rtm.GetTransform(f, 2, 3, 2);
    }
}

TEST(Animation, FileNames)
{
    testsupport::TempDir dir;
    const Bytes walk = Animation(2, 1);
    dir.Put("walk.rtm", walk);
    dir.Put("run.RTM", walk);
    dir.Put("short.rtm", Bytes(walk.begin(), walk.end() - 4));
    DeRtm rtm;
    EXPECT_EQ(rtm.Open(dir.Path("walk").c_str()), 0);
    EXPECT_EQ(rtm.GetFrameCount(), 2);
    EXPECT_EQ(rtm.Open(dir.Path("run.RTM").c_str()), 0);
    EXPECT_EQ(rtm.Open(dir.Path("missing").c_str()), 3);
    EXPECT_EQ(rtm.GetFrameCount(), 0);
    EXPECT_EQ(rtm.Open(dir.Path("short").c_str()), 1);
    EXPECT_EQ(rtm.GetPictureName(0), nullptr);
}
