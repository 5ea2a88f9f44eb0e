// Extraction of a large archive against a plain copy of the same bytes and
// against `cp -r` of the files it holds. The sample archive
// (OSTREL_EXTRACT_BENCH_MB megabytes, default 1024, in 2 MB stored entries:
// 512 of them at the default) is made in a temporary folder on first use and
// removed when the program ends.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Settle.h"
#include "frame/Platform.h"
#include "pbo/Ostrel.h"
#include "support/PboBytes.h"
#include "support/TempDir.h"

namespace
{
const uint32_t EntrySize = 2u << 20;

struct SampleArchive
{
    testsupport::TempDir dir;
    std::string path;
    uint64_t bytes = 0;
};

// Writes the header and then every entry's data straight to the file, so the
// whole archive never sits in memory.
std::unique_ptr<SampleArchive> MakeSample()
{
    auto sample = std::make_unique<SampleArchive>();
    const char* mb = std::getenv("OSTREL_EXTRACT_BENCH_MB");
    uint64_t total = (mb ? std::strtoull(mb, nullptr, 10) : 1024) << 20;
    uint32_t count = static_cast<uint32_t>(total / EntrySize);
    if (count == 0)
        count = 1;
    testsupport::PboBytes header;
    for (uint32_t i = 0; i < count; ++i)
    {
        char name[64];
        std::snprintf(name, sizeof name, "folder%u\\part%03u.bin", i % 8, i);
        header.Entry(name, 0, 0, 0, 0, EntrySize);
    }
    header.Terminator();
    std::vector<unsigned char> block(EntrySize);
    uint32_t seed = 12345;
    for (unsigned char& b : block)
    {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    sample->path = sample->dir.Path("sample.pbo");
    FILE* out = std::fopen(sample->path.c_str(), "wb");
    if (!out)
        return nullptr;
    bool ok = std::fwrite(header.Get().data(), 1, header.Size(), out) == header.Size();
    for (uint32_t i = 0; ok && i < count; ++i)
    {
        block[0] = static_cast<unsigned char>(i);
        ok = std::fwrite(block.data(), 1, block.size(), out) == block.size();
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        return nullptr;
    sample->bytes = header.Size() + static_cast<uint64_t>(count) * EntrySize;
    return sample;
}

// The sample, or null with the benchmark marked as failed.
SampleArchive* Sample(benchmark::State& state)
{
    static std::unique_ptr<SampleArchive> sample = MakeSample();
    if (!sample)
        state.SkipWithError("cannot write the sample archive");
    return sample.get();
}

void BM_ExtractArchive(benchmark::State& state)
{
    SampleArchive* sample = Sample(state);
    if (!sample)
        return;
    const std::string folder = sample->dir.Path("sample");
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        SettleDisk();
        Ostrel pbo;
        state.ResumeTiming();
        if (pbo.ExtractPbo(sample->path.c_str(), nullptr) != 0)
            state.SkipWithError(pbo.strError());
    }
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}

// The same with the system's copy turned off: entries go through a 1 MB
// block of this process.
void BM_ExtractArchiveLoop(benchmark::State& state)
{
    platform::AllowSystemCopy(false);
    BM_ExtractArchive(state);
    platform::AllowSystemCopy(true);
}

// The same bytes copied through buffered streams in 128 KB pieces.
void BM_CopyArchive(benchmark::State& state)
{
    SampleArchive* sample = Sample(state);
    if (!sample)
        return;
    const std::string copy = sample->dir.Path("copy.bin");
    std::vector<char> buffer(128u << 10);
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove(copy);
        SettleDisk();
        state.ResumeTiming();
        FILE* in = std::fopen(sample->path.c_str(), "rb");
        FILE* out = std::fopen(copy.c_str(), "wb");
        bool ok = in && out;
        size_t n = 0;
        while (ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            ok = std::fwrite(buffer.data(), 1, n, out) == n;
        if (in)
            std::fclose(in);
        if (out && std::fclose(out) != 0)
            ok = false;
        if (!ok)
            state.SkipWithError("copy failed");
    }
    std::filesystem::remove(copy);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}
} // namespace

#if !defined(_WIN32)
// The yardstick: `cp -r` of the extracted files (extracted once, untimed).
void BM_CopyTree(benchmark::State& state)
{
    SampleArchive* sample = Sample(state);
    if (!sample)
        return;
    const std::string folder = sample->dir.Path("sample");
    const std::string copy = sample->dir.Path("tree");
    std::filesystem::remove_all(folder);
    Ostrel pbo;
    if (pbo.ExtractPbo(sample->path.c_str(), nullptr) != 0)
    {
        state.SkipWithError(pbo.strError());
        return;
    }
    const std::string command = "cp -r '" + folder + "' '" + copy + "'";
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove_all(copy);
        SettleDisk();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp -r failed");
    }
    std::filesystem::remove_all(copy);
    std::filesystem::remove_all(folder);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}
BENCHMARK(BM_CopyTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif

BENCHMARK(BM_ExtractArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ExtractArchiveLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopyArchive)->Unit(benchmark::kMillisecond)->Iterations(5);
