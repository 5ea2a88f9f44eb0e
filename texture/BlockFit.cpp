// DXT block fits: the clustering fit, the range fit, and the range fit with
// refined end colours and the clustering fit where it still falls short.
#include "BlockFit.h"

#include "EndpointRefine.h"

#include <squish.h>

#include <cmath>
#include <cstring>

namespace texture
{
namespace
{
// Normal quality refines the range fit's end colours (least squares for
// its indices, each pair of a few-coloured block's own colours, neighbouring
// RGB565 values) and runs the clustering fit, refined the same way, only on
// a block whose refined error still exceeds by more than this the squared
// distance of its pixels from their principal colour line, which no fit
// with two end colours can get below.
//
// Measured on the benchmark's 2048 x 2048 picture (top level; CPU of one
// thread reading the PNG and encoding every mipmap), DXT5 / DXT1:
//   range fit alone (Fast)           0.3-0.4 s, 34.73 / 33.48 dB
//   clustering fit (Best)            10.5-13.4 s, 36.18 / 34.93 dB
//   iterative clustering fit         twice Best's time for 0.03 dB
//   yardstick DXT encoder            4.0-5.3 s, 33.49 / 29.89 dB
//   clustering fit where the range fit's error is above a bound on the
//     error above the line, unrefined: 300 -> 63 % of the blocks, 5.8 s,
//     36.06 dB; 800 -> 16 %, 2.2 / 2.4 s, 35.41 / 34.16 dB (the previous
//     Normal); 1000 -> 10 %, 35.26 / 34.01 dB. Bounds on the error alone
//     refit nearly every block of a noisy picture.
//   refined range fit, clustering fit above 3000: 1.7 s, 36.17 / 34.92 dB,
//     Best's quality at a seventh of its time.
//   the same with candidates measured sixteen pixels at a time, one pass
//     over the neighbouring values (a second: 0.02-0.04 dB for a quarter
//     more time), no pair search among colours within 4 levels and no
//     refinement of one-coloured blocks (kept): 0.70-0.75 s, 36.15 /
//     34.90 dB.
// On 2048 x 2048 pictures, DXT1 (DXT5 with an alpha ramp), kept Normal
// against the yardstick, CPU s and dB:
//   smooth ramps, no noise   0.46, 48.02 (0.54, 51.69); 0.50-0.57, 43.46
//                            (3.2-3.6, 44.55)
//   flat shapes, hard edges  0.38-0.44, 48.39 (0.49, 51.60); 0.43-0.47,
//                            44.40 (2.7-3.0, 37.46)
//   ramps, fine detail, +-3  0.69, 42.06 (0.74, 43.32); 3.9-4.4, 33.7-33.9
//                            (3.5-3.8, 41.82)
//   fine pattern, +-2        0.67, 37.32 (0.79, 38.57); 3.9-4.4, 31.6-31.9
//                            (3.5-3.7, 34.73)
// Screenshots cut to 2048 x 1024, 1024 x 1024 and 1024 x 512 (flat areas,
// text, lines), DXT1, Normal against the yardstick: 44.18 / 44.20, 43.70 /
// 43.72, 39.37 / 39.37, 36.75 / 36.57, 34.59 / 34.59 dB at 0.05-0.12 s
// against 0.04-0.13 s. Before two-colour blocks had each colour placed at a
// palette position of its own the first two were 44.14 and 43.65 dB; the
// rest of the gap lies in blocks of three to six colours, where placing each
// colour the same way, a second neighbour pass, an exact search of each
// channel's ends for the chosen indices or a lower refit bound gained at
// most 0.01 dB (Best, the clustering fit alone: 43.88 and 43.39 dB).
// On 1024 x 1024 pictures, when the refinement came in (DXT1 unless noted;
// CPU s and dB, unrefined Normal -> refined with two neighbour passes;
// yardstick):
//   ramps with +-2 noise     0.12, 42.89 -> 0.37, 45.15; 0.86, 33.27
//   ramps, +-8, checker      0.21, 35.75 -> 0.42, 36.79; 0.97, 32.66
//   flat shapes, hard edges  0.07, 35.96 -> 0.12, 36.23; 0.07, 36.25
//   noise +-60               2.68, 20.26 -> 0.47, 20.23; 1.00, 19.10
//   DXT5, alpha ramp         0.14, 41.10 -> 0.43, 42.71; 0.93, 41.36
// Dead ends: bound 800 or 1500 after refining, the same quality with the
// noise picture at 2.4 / 1.6 s; no clustering fit at all, 36.13 dB on the
// shapes; more least-squares rounds, nothing; each channel's two end values
// chosen for fixed indices instead of the neighbour pass, 5 dB less on
// smooth ramps (the gain is in the indices the moved ends re-pick);
// refining only blocks whose error is above 96, 0.2 dB less on smooth ramps
// for a sixth less time; the distance as the palette entry's
// square less twice the dot product, no faster; trying
// every assignment of a block's 3 or 4 colours to the palette positions,
// 36.25 dB on the shapes at three to four times the time. The shapes'
// last 0.02 dB lie in blocks of three or four colours off a line whose
// best indices no refinement from the range fit reaches.
const double RefitBound = 3000;

int SquishFormat(bool dxt5)
{
    return dxt5 ? squish::kDxt5 : squish::kDxt1;
}

// Squared distance of the colours from the line through their mean along
// their principal direction (found by power iteration on the covariance).
double LineError(const unsigned char* rgba)
{
    double mean[3] = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
    {
        for (int c = 0; c < 3; ++c)
            mean[c] += rgba[i * 4 + c];
    }
    for (double& m : mean)
        m /= 16;
    double cov[3][3] = {};
    for (int i = 0; i < 16; ++i)
    {
        double d[3];
        for (int c = 0; c < 3; ++c)
            d[c] = rgba[i * 4 + c] - mean[c];
        for (int r = 0; r < 3; ++r)
        {
            for (int c = 0; c < 3; ++c)
                cov[r][c] += d[r] * d[c];
        }
    }
    const double total = cov[0][0] + cov[1][1] + cov[2][2];
    double axis[3] = {1, 1, 1};
    double along = 0;
    for (int iteration = 0; iteration < 8; ++iteration)
    {
        double next[3];
        for (int r = 0; r < 3; ++r)
            next[r] = cov[r][0] * axis[0] + cov[r][1] * axis[1] + cov[r][2] * axis[2];
        const double length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (length < 1e-9)
            return total;
        for (int c = 0; c < 3; ++c)
            axis[c] = next[c] / length;
        along = length; // the eigenvalue once the axis has settled
    }
    return total > along ? total - along : 0;
}

int SquaredError(const unsigned char* rgba, const unsigned char* block, int format)
{
    unsigned char decoded[64];
    squish::Decompress(decoded, block, format);
    int sum = 0;
    for (int i = 0; i < 64; ++i)
    {
        const int d = int(rgba[i]) - int(decoded[i]);
        sum += d * d;
    }
    return sum;
}

void EncodeBlock(const unsigned char* rgba, bool dxt5, Quality quality, unsigned char* block)
{
    const int format = SquishFormat(dxt5);
    if (quality == Quality::Best)
    {
        squish::Compress(rgba, block, format | squish::kColourClusterFit);
        return;
    }
    squish::Compress(rgba, block, format | squish::kColourRangeFit);
    if (quality == Quality::Fast)
        return;
    RefineColourBlock(rgba, !dxt5, dxt5 ? block + 8 : block);
    const int refinedError = SquaredError(rgba, block, format);
    // The line error is never negative: below the bound it need not be found.
    if (refinedError <= RefitBound || refinedError - LineError(rgba) <= RefitBound)
        return;
    unsigned char cluster[16];
    squish::Compress(rgba, cluster, format | squish::kColourClusterFit);
    RefineColourBlock(rgba, !dxt5, dxt5 ? cluster + 8 : cluster);
    if (SquaredError(rgba, cluster, format) < refinedError)
        std::memcpy(block, cluster, BlockBytes(dxt5));
}
} // namespace

size_t BlockBytes(bool dxt5)
{
    return dxt5 ? 16 : 8;
}

void EncodeBlockRows(const Image& image, bool dxt5, Quality quality, unsigned firstRow, unsigned endRow,
                     unsigned char* out)
{
    const unsigned blocksAcross = image.width / 4;
    const size_t blockBytes = BlockBytes(dxt5);
    unsigned char pixels[64];
    for (unsigned row = firstRow; row < endRow; ++row)
    {
        for (unsigned column = 0; column < blocksAcross; ++column)
        {
            for (unsigned y = 0; y < 4; ++y)
                std::memcpy(pixels + y * 16, &image.rgba[((size_t(row) * 4 + y) * image.width + column * 4) * 4], 16);
            EncodeBlock(pixels, dxt5, quality, out + (size_t(row) * blocksAcross + column) * blockBytes);
        }
    }
}
} // namespace texture
