// SHA-1 throughput on each path: the processor's SHA instructions (where
// present) and the portable rounds, over a 64 MB buffer in 1 MB pieces.

#include <benchmark/benchmark.h>

#include <vector>

#include "frame/Sha1.h"

namespace
{
const size_t BufferSize = 64u << 20;
const size_t PieceSize = 1u << 20;

const std::vector<unsigned char>& Buffer()
{
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> bytes(BufferSize);
        uint32_t seed = 99;
        for (unsigned char& b : bytes)
        {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<unsigned char>(seed >> 16);
        }
        return bytes;
    }();
    return buffer;
}

void Hash(benchmark::State& state, bool portable)
{
    if (!portable && !Sha1::HasProcessorPath())
    {
        state.SkipWithError("this processor has no SHA instructions");
        return;
    }
    const std::vector<unsigned char>& buffer = Buffer();
    for (auto _ : state)
    {
        Sha1 sha;
        sha.UsePortable(portable);
        for (size_t at = 0; at < buffer.size(); at += PieceSize)
            sha.Update(buffer.data() + at, PieceSize);
        unsigned char digest[Sha1::DigestSize];
        sha.Final(digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buffer.size()));
}

void BM_Sha1Processor(benchmark::State& state)
{
    Hash(state, false);
}

void BM_Sha1Portable(benchmark::State& state)
{
    Hash(state, true);
}
} // namespace

BENCHMARK(BM_Sha1Processor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sha1Portable)->Unit(benchmark::kMillisecond);
