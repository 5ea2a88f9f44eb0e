// DXT block fits: the clustering fit, the range fit, and the range fit with
// the clustering fit where the range fit clearly falls short.
#include "BlockFit.h"

#include <squish.h>

#include <cmath>
#include <cstring>

namespace texture
{
namespace
{
// Normal quality runs the clustering fit on a block when the range fit's
// squared error (over R, G, B and A of the 16 pixels) exceeds by more than
// this the squared distance of the pixels from their principal colour line,
// which no fit with two end colours can get below.
//
// Measured on the benchmark's 2048 x 2048 picture (top level, one thread),
// DXT5 / DXT1:
//   range fit alone             0.21 s, 34.73 / 33.48 dB
//   clustering fit (Best)       9.2 s / 11.3 s, 36.18 / 34.93 dB
//   iterative clustering fit    21 s, 36.21 / 34.96 dB: twice the time for 0.03 dB
//   clustering fit where the range-fit error alone is above a bound:
//     noise lifts nearly every block over any useful bound, so it saved
//     nothing on natural pictures (100 % of the blocks at 400)
//   this bound on the error above the line: 100 -> 98 % of the blocks
//     refitted, 36.18 dB, no saving; 300 -> 63 %, 5.8 s, 36.06 dB;
//     600 -> 27 %, 3.2 s, 35.63 dB; 800 (kept) -> 16 %, 1.8 s, 35.41 /
//     34.16 dB; 1000 -> 10 %, 1.3 s, 35.26 / 34.01 dB.
// The yardstick DXT encoder reaches 33.49 / 30.02 dB on the same picture
// (mipmaps included, 4.5 / 5.1 s of CPU). 800 leaves Normal at about half
// the yardstick's CPU time: room for pictures where more blocks need the
// refit. Lower bounds pay little on smooth pictures: on ramps with +-8 noise
// and a checker (DXT1) 800 refits 7 % of the blocks for 38.30 dB, 200 half
// of them for 38.74, Best 38.81 and the yardstick 38.86, which no fit of
// libsquish's reaches there; on the noisy picture 400 already costs 5.3 s.
const double RefitBound = 800;

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
    const int rangeError = SquaredError(rgba, block, format);
    if (rangeError - LineError(rgba) <= RefitBound)
        return;
    unsigned char cluster[16];
    squish::Compress(rgba, cluster, format | squish::kColourClusterFit);
    if (SquaredError(rgba, cluster, format) < rangeError)
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
