// Building an archive from a large folder against a plain copy of the same
// files into one file, and against `cat` of them. The sample folder
// (OSTREL_BUILD_BENCH_MB megabytes, default 400, in 1 MB files spread over
// 16 sub-folders) is made in a temporary folder on first use and removed
// when the program ends.

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
#include "support/TempDir.h"

namespace
{
const size_t FileSize = 1u << 20;

struct SampleFolder
{
    testsupport::TempDir dir;
    std::string folder;
    std::vector<std::string> files;
    uint64_t bytes = 0;
};

std::unique_ptr<SampleFolder> MakeSample()
{
    auto sample = std::make_unique<SampleFolder>();
    const char* mb = std::getenv("OSTREL_BUILD_BENCH_MB");
    uint64_t total = (mb ? std::strtoull(mb, nullptr, 10) : 400) << 20;
    size_t count = static_cast<size_t>(total / FileSize);
    std::vector<unsigned char> block(FileSize);
    uint32_t seed = 777;
    for (unsigned char& b : block)
    {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    sample->folder = sample->dir.Path("mod");
    for (size_t i = 0; i < count; ++i)
    {
        std::string sub = sample->folder + "/part" + std::to_string(i % 16);
        std::filesystem::create_directories(sub);
        std::string path = sub + "/file" + std::to_string(i) + ".bin";
        block[0] = static_cast<unsigned char>(i);
        FILE* out = std::fopen(path.c_str(), "wb");
        bool ok = out && std::fwrite(block.data(), 1, block.size(), out) == block.size();
        if (!out || std::fclose(out) != 0 || !ok)
            return nullptr;
        sample->files.push_back(path);
        sample->bytes += block.size();
    }
    return sample;
}

SampleFolder* Sample(benchmark::State& state)
{
    static std::unique_ptr<SampleFolder> sample = MakeSample();
    if (!sample)
        state.SkipWithError("cannot write the sample folder");
    return sample.get();
}

// The library's builder, called directly, for an archive of each flavour
// family: one copied file to file, one hashed as it is written.
void BuildArchive(benchmark::State& state, PboFlags flavour)
{
    SampleFolder* sample = Sample(state);
    if (!sample)
        return;
    for (auto _ : state)
    {
        // Each run writes a new file (as the yardsticks do): replacing a
        // file makes some file systems (ext4) write the new one out first.
        state.PauseTiming();
        std::filesystem::remove(sample->folder + ".pbo");
        SettleDisk();
        state.ResumeTiming();
        Ostrel pbo;
        if (pbo.MakePbo(sample->folder.c_str(), flavour, nullptr, nullptr, nullptr) != 0)
            state.SkipWithError(pbo.strError());
    }
    std::filesystem::remove(sample->folder + ".pbo");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}

void BM_BuildArchive(benchmark::State& state)
{
    BuildArchive(state, Cwc);
}

// The same with the system's copy turned off: entries go through a 1 MB
// block of this process.
void BM_BuildArchiveLoop(benchmark::State& state)
{
    platform::AllowSystemCopy(false);
    BuildArchive(state, Cwc);
    platform::AllowSystemCopy(true);
}

void BM_BuildArmaArchive(benchmark::State& state)
{
    BuildArchive(state, Arma);
}

#if !defined(_WIN32)
// The yardstick: `cat` of every file into one.
void BM_CatFolder(benchmark::State& state)
{
    SampleFolder* sample = Sample(state);
    if (!sample)
        return;
    std::string command = "cat";
    for (const std::string& path : sample->files)
        command += " '" + path + "'";
    const std::string copy = sample->dir.Path("cat.bin");
    command += " > '" + copy + "'";
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove(copy);
        SettleDisk();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cat failed");
    }
    std::filesystem::remove(copy);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}
BENCHMARK(BM_CatFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif

// Every file of the folder appended to one output file through buffered
// streams in 128 KB pieces.
void BM_CopyFolder(benchmark::State& state)
{
    SampleFolder* sample = Sample(state);
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
        FILE* out = std::fopen(copy.c_str(), "wb");
        bool ok = out != nullptr;
        for (const std::string& path : sample->files)
        {
            FILE* in = ok ? std::fopen(path.c_str(), "rb") : nullptr;
            ok = in != nullptr;
            for (size_t n = 0; ok && (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
                ok = std::fwrite(buffer.data(), 1, n, out) == n;
            if (in)
                std::fclose(in);
        }
        if (out && std::fclose(out) != 0)
            ok = false;
        if (!ok)
            state.SkipWithError("copy failed");
    }
    std::filesystem::remove(copy);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample->bytes));
}
} // namespace

BENCHMARK(BM_BuildArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_BuildArchiveLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_BuildArmaArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopyFolder)->Unit(benchmark::kMillisecond)->Iterations(5);
