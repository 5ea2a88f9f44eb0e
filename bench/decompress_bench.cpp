// Benchmarks of entry decompression: text-like and repetitive entries.

#include <benchmark/benchmark.h>

#include <vector>

#include "pbo/Decompress.h"
#include "support/Compressor.h"

namespace
{
void UnpackBench(benchmark::State& state, const testsupport::Bytes& input)
{
    testsupport::Bytes packed = testsupport::Compress(input);
    std::vector<unsigned char> out(input.size() + 1);
    for (auto _ : state)
    {
        int result = Decompress(packed.data(), static_cast<unsigned>(packed.size()), out.data(),
                                static_cast<unsigned>(input.size()));
        if (result != 0)
            state.SkipWithError("decompression failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / static_cast<double>(input.size());
}

void BM_DecompressTextLike(benchmark::State& state)
{
    static const testsupport::Bytes input = testsupport::TextLike(4 << 20, 42);
    UnpackBench(state, input);
}

void BM_DecompressRepetitive(benchmark::State& state)
{
    static const testsupport::Bytes input = testsupport::Repetitive(4 << 20);
    UnpackBench(state, input);
}
} // namespace

BENCHMARK(BM_DecompressTextLike)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressRepetitive)->Unit(benchmark::kMillisecond);
