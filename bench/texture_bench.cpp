// Texture codec timings on a 2048 x 2048 texture with its mipmaps: texture
// to RGBA, texture to PNG, PNG to RGBA, and PNG to texture at each quality
// beside the yardstick DXT encoder where it is installed.
#include <benchmark/benchmark.h>
#include <squish.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "TextureCodec.h"

namespace
{
using namespace texture;

const unsigned Side = 2048;

// A natural-looking picture: slow colour gradients, a disc and stripes with
// hard edges, and noise of +-10 on every channel; with an alpha ramp (and
// the disc) when alpha is asked for, else opaque.
Image MakePicture(bool alpha)
{
    Image made;
    made.width = made.height = Side;
    made.rgba.resize(size_t(Side) * Side * 4);
    std::mt19937 random(7);
    for (unsigned y = 0; y < Side; ++y)
    {
        for (unsigned x = 0; x < Side; ++x)
        {
            unsigned char* p = &made.rgba[(size_t(y) * Side + x) * 4];
            const double fx = x / double(Side), fy = y / double(Side);
            const double base[3] = {120 + 90 * std::sin(fx * 6.3 + fy * 2.1), 110 + 80 * std::cos(fy * 5.1 - fx * 1.7),
                                    100 + 70 * std::sin((fx + fy) * 4.2)};
            const double dx = fx - 0.4, dy = fy - 0.55;
            const bool disc = dx * dx + dy * dy < 0.06;
            const bool stripe = ((x + 2 * y) / 97) % 5 == 0;
            for (int c = 0; c < 3; ++c)
            {
                double v = base[c];
                if (disc)
                    v = 255 - v * 0.6;
                if (stripe)
                    v *= 0.45;
                v += int(random() % 21) - 10;
                p[c] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
            p[3] = alpha ? static_cast<unsigned char>(std::min(255.0, 40 + 215 * fx * fy + (disc ? 60 : 0))) : 255;
        }
    }
    return made;
}

const Image& Picture(bool alpha = true)
{
    static const Image withAlpha = MakePicture(true);
    static const Image opaque = MakePicture(false);
    return alpha ? withAlpha : opaque;
}

const std::vector<unsigned char>& Dxt5Texture()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> out;
        EncodeOptions options;
        options.automatic = false;
        options.type = PixelType::Dxt5;
        EncodeTexture(Picture(), options, out);
        return out;
    }();
    return bytes;
}

void BM_TextureDecodeDxt5(benchmark::State& state)
{
    const std::vector<unsigned char>& bytes = Dxt5Texture();
    for (auto _ : state)
    {
        Texture texture;
        if (DecodeTexture(bytes.data(), bytes.size(), texture) != Ok)
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(texture.mipmaps.data());
    }
}

// What "texture topng" does: every mipmap decoded, the largest written as PNG.
void BM_TextureDxt5ToPng(benchmark::State& state)
{
    const std::vector<unsigned char>& bytes = Dxt5Texture();
    std::vector<unsigned char> png;
    for (auto _ : state)
    {
        Texture texture;
        if (DecodeTexture(bytes.data(), bytes.size(), texture) != Ok || WritePng(texture.mipmaps[0], png) != Ok)
            state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["png_bytes"] = static_cast<double>(png.size());
}

void BM_TexturePngRead(benchmark::State& state)
{
    std::vector<unsigned char> png;
    WritePng(Picture(), png);
    for (auto _ : state)
    {
        Image image;
        if (ReadPng(png.data(), png.size(), image) != Ok)
            state.SkipWithError("reading failed");
        benchmark::DoNotOptimize(image.rgba.data());
    }
}

// RGBA to DXT5 with the mipmap chain, optionally LZO1X-packed.
void BM_TextureEncodeDxt5(benchmark::State& state)
{
    EncodeOptions options;
    options.automatic = false;
    options.type = PixelType::Dxt5;
    options.lzo = state.range(0) != 0;
    options.threads = 1;
    std::vector<unsigned char> out;
    for (auto _ : state)
    {
        if (EncodeTexture(Picture(), options, out) != Ok)
            state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["texture_bytes"] = static_cast<double>(out.size());
}
} // namespace

BENCHMARK(BM_TextureDecodeDxt5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureDxt5ToPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TexturePngRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextureEncodeDxt5)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

namespace
{
// PSNR of a decoded top level against the source, over R, G, B (and A).
double Psnr(const Image& source, const unsigned char* decoded, int channels)
{
    double sum = 0;
    const size_t pixels = size_t(source.width) * source.height;
    for (size_t i = 0; i < pixels; ++i)
    {
        for (int c = 0; c < channels; ++c)
        {
            const double d = double(source.rgba[i * 4 + c]) - decoded[i * 4 + c];
            sum += d * d;
        }
    }
    const double mse = sum / (double(pixels) * channels);
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures
{
    bool measured = false;
    double cpuSeconds = 0;
    double psnr = 0;
};

const std::vector<unsigned char>& PictureAsPng(bool alpha)
{
    static const std::vector<unsigned char> withAlpha = [] {
        std::vector<unsigned char> png;
        WritePng(Picture(true), png);
        return png;
    }();
    static const std::vector<unsigned char> opaque = [] {
        std::vector<unsigned char> png;
        WritePng(Picture(false), png);
        return png;
    }();
    return alpha ? withAlpha : opaque;
}

// The yardstick: nvcompress -bc3 (-bc1 for the opaque picture), mipmaps
// included, on the same picture as a PNG file; its CPU time and the PSNR of
// its top level. Measured once a run, the better of two.
Figures MeasureYardstick(bool alpha)
{
    Figures figures;
    if (std::system("command -v nvcompress >/dev/null 2>&1") != 0)
        return figures;
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const std::string stem = "ostrel_texture_bench_" + std::to_string(getpid());
    const std::string png = (folder / (stem + ".png")).string();
    const std::string dds = (folder / (stem + ".dds")).string();
    if (WriteWholeFile(png.c_str(), PictureAsPng(alpha)) != Ok)
        return figures;
    const std::string command =
        std::string("nvcompress ") + (alpha ? "-bc3 " : "-bc1 ") + png + " " + dds + " >/dev/null 2>&1";
    for (int run = 0; run < 2; ++run)
    {
        const double before = ChildCpuSeconds();
        if (std::system(command.c_str()) != 0)
            break;
        const double cpu = ChildCpuSeconds() - before;
        figures.cpuSeconds = figures.measured ? std::min(figures.cpuSeconds, cpu) : cpu;
        figures.measured = true;
    }
    std::ifstream file(dds, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t blockBytes = alpha ? 16 : 8;
    const size_t topBytes = size_t(Side / 4) * (Side / 4) * blockBytes;
    if (figures.measured && bytes.size() >= 128 + topBytes)
    {
        std::vector<unsigned char> decoded(size_t(Side) * Side * 4);
        squish::DecompressImage(decoded.data(), Side, Side, bytes.data() + 128, alpha ? squish::kDxt5 : squish::kDxt1);
        figures.psnr = Psnr(Picture(alpha), decoded.data(), alpha ? 4 : 3);
    }
    else
        figures.measured = false;
    std::remove(png.c_str());
    std::remove(dds.c_str());
    return figures;
}

const Figures& Yardstick(bool alpha)
{
    static const Figures dxt5 = MeasureYardstick(true);
    static const Figures dxt1 = MeasureYardstick(false);
    return alpha ? dxt5 : dxt1;
}

// PNG to DXT5 (range 0 = 1, picture with alpha) or DXT1 (opaque picture)
// with mipmaps at quality range 1 (0 best, 1 normal, 2 fast) on range 2
// threads, as "texture frompng" does it. cpu_s is the process CPU time of
// one conversion, all threads together; psnr that of the top level. With
// the yardstick installed: its figures from this run and the ratios.
void BM_TextureFromPng(benchmark::State& state)
{
    const bool alpha = state.range(0) != 0;
    const Figures& yardstick = Yardstick(alpha);
    const std::vector<unsigned char>& png = PictureAsPng(alpha);
    EncodeOptions options;
    options.quality = static_cast<Quality>(state.range(1));
    options.threads = static_cast<unsigned>(state.range(2));
    std::vector<unsigned char> out;
    double cpu = 0;
    for (auto _ : state)
    {
        const std::clock_t start = std::clock();
        Image image;
        if (ReadPng(png.data(), png.size(), image) != Ok || EncodeTexture(image, options, out) != Ok)
            state.SkipWithError("conversion failed");
        cpu += double(std::clock() - start) / CLOCKS_PER_SEC;
        benchmark::DoNotOptimize(out.data());
    }
    Texture decoded;
    if (DecodeTexture(out.data(), out.size(), decoded) != Ok)
    {
        state.SkipWithError("decoding failed");
        return;
    }
    const double psnr = Psnr(Picture(alpha), decoded.mipmaps[0].rgba.data(), alpha ? 4 : 3);
    cpu /= double(state.iterations());
    state.counters["cpu_s"] = cpu;
    state.counters["psnr"] = psnr;
    if (yardstick.measured)
    {
        state.counters["yard_cpu_s"] = yardstick.cpuSeconds;
        state.counters["yard_psnr"] = yardstick.psnr;
        state.counters["cpu_ratio"] = cpu / yardstick.cpuSeconds;
        state.counters["psnr_gain"] = psnr - yardstick.psnr;
    }
}
} // namespace

BENCHMARK(BM_TextureFromPng)
    ->ArgNames({"dxt5", "quality", "threads"})
    ->ArgsProduct({{1, 0}, {0, 1, 2}, {1, 2}})
    ->Iterations(1)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
