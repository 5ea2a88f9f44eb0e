// Refining a range-fitted colour block: never further from the pixels, the
// transparent pixels of DXT1 kept transparent, and the cases the range fit
// misses (colours off a line, exact end colours, colours close together)
// found.
#include <gtest/gtest.h>
#include <squish.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "EndpointRefine.h"
#include "support/Rows.h"

using namespace texture;

namespace
{
// Squared RGB error of a decoded block over the pixels that are opaque in
// the source; transparentKept says whether exactly the transparent pixels
// decoded transparent.
int BlockError(const unsigned char* rgba, const unsigned char* block, bool dxt1, bool& transparentKept)
{
    unsigned char decoded[64];
    squish::Decompress(decoded, block, dxt1 ? squish::kDxt1 : squish::kDxt5);
    int sum = 0;
    transparentKept = true;
    for (int i = 0; i < 16; ++i)
    {
        const bool transparent = dxt1 && rgba[i * 4 + 3] < 128;
        transparentKept = transparentKept && (decoded[i * 4 + 3] == 0) == transparent;
        for (int c = 0; c < 3 && !transparent; ++c)
        {
            const int d = rgba[i * 4 + c] - decoded[i * 4 + c];
            sum += d * d;
        }
    }
    return sum;
}
} // namespace

TEST(TextureEndpointRefine, NeverWorseThanTheRangeFit)
{
    struct Row
    {
        const char* name;
        bool dxt1;
        int colours;          // distinct colours drawn from (0 = every pixel its own)
        bool someTransparent; // DXT1: a few pixels with alpha 0
        bool exact;           // colours RGB565 holds exactly: the refined error is 0
        int minimumImproved;  // of the 300 blocks, at least this many closer than the range fit
        int near;             // > 0: every pixel within this many levels of one colour (smooth)
    };
    const Row rows[] = {
        {"DXT1, noisy", true, 0, false, false, 270, 0},
        {"DXT5 colour, noisy", false, 0, false, false, 270, 0},
        {"DXT1, transparent pixels", true, 0, true, false, 270, 0},
        {"DXT1, three colours", true, 3, false, false, 270, 0},
        {"DXT5 colour, four colours", false, 4, false, false, 270, 0},
        {"DXT1, two colours exact in RGB565", true, 2, false, true, 0, 0},
        {"DXT5 colour, two exact and a third of the way", false, 3, false, true, 0, 0},
        {"DXT1, two colours, one between the ends", true, 2, false, false, 110, 0},
        {"DXT5 colour, two colours, one between the ends", false, 2, false, false, 110, 0},
        {"DXT1, smooth: within 2 levels", true, 0, false, false, 240, 2},
        {"DXT5 colour, smooth: within 1 level", false, 0, false, false, 240, 1},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        uint32_t state = 99;
        auto next = [&state] {
            return (state = state * 1664525u + 1013904223u) >> 24;
        };
        int improved = 0;
        for (int trial = 0; trial < 300; ++trial)
        {
            unsigned char palette[4][3];
            for (auto& colour : palette)
            {
                for (int c = 0; c < 3; ++c)
                {
                    const int bits = c == 1 ? 6 : 5, value = int(next()) >> (8 - bits);
                    colour[c] =
                        static_cast<unsigned char>(row.exact ? value << (8 - bits) | value >> (2 * bits - 8) : next());
                }
            }
            for (int c = 0; c < 3 && row.exact; ++c) // the palette's own third colour
                palette[2][c] = static_cast<unsigned char>((2 * palette[0][c] + palette[1][c]) / 3);
            unsigned char rgba[64];
            for (int i = 0; i < 16; ++i)
            {
                for (int c = 0; c < 3; ++c)
                {
                    const int level = row.near ? int(next() % (2 * row.near + 1)) - row.near : 0;
                    rgba[i * 4 + c] =
                        row.colours ? palette[i % row.colours][c]
                        : row.near  ? static_cast<unsigned char>(std::min(255, std::max(0, palette[0][c] + level)))
                                    : static_cast<unsigned char>(next());
                }
                rgba[i * 4 + 3] = row.someTransparent && next() % 5 == 0 ? 0 : 255;
            }
            unsigned char block[16];
            squish::Compress(rgba, block, (row.dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourRangeFit);
            unsigned char* colour = row.dxt1 ? block : block + 8;
            bool kept = false;
            const int before = BlockError(rgba, block, row.dxt1, kept);
            unsigned char alpha[8];
            std::memcpy(alpha, block, 8);
            RefineColourBlock(rgba, row.dxt1, colour);
            const int after = BlockError(rgba, block, row.dxt1, kept);
            ASSERT_LE(after, before) << trial;
            ASSERT_TRUE(kept) << trial;
            if (!row.dxt1)
            {
                ASSERT_EQ(std::memcmp(alpha, block, 8), 0) << trial; // DXT5 alpha untouched
            }
            if (row.exact)
            {
                ASSERT_EQ(after, 0) << trial;
            }
            improved += after < before;
        }
        EXPECT_GE(improved, row.minimumImproved);
    });
}
