// Texture codec timings on a 2048 x 2048 DXT5 texture with its mipmaps:
// texture to RGBA, texture to PNG, PNG to RGBA, and RGBA to texture.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "TextureCodec.h"

namespace
{
using namespace texture;

// A picture with smooth areas, edges and some noise, with an alpha ramp.
const Image& Picture()
{
    static const Image image = [] {
        Image made;
        made.width = made.height = 2048;
        made.rgba.resize(size_t(2048) * 2048 * 4);
        std::mt19937 random(7);
        for (unsigned y = 0; y < 2048; ++y)
        {
            for (unsigned x = 0; x < 2048; ++x)
            {
                unsigned char* p = &made.rgba[(size_t(y) * 2048 + x) * 4];
                unsigned noise = random() & 15;
                p[0] = static_cast<unsigned char>((x / 8) + noise);
                p[1] = static_cast<unsigned char>(((x ^ y) & 64) ? 180 + noise : 60 + noise);
                p[2] = static_cast<unsigned char>((y / 8) + noise);
                p[3] = static_cast<unsigned char>((x + y) / 16);
            }
        }
        return made;
    }();
    return image;
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
