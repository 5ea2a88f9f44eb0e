// Loading a generated 2048 × 2048 OPRW world from memory; bytes processed are
// the decoded cell grids (15 bytes per cell).
#include <benchmark/benchmark.h>

#include "inspect/DeWrp.h"
#include "inspect/WrpInput.h"
#include "support/WrpWriter.h"

namespace
{
const uint32_t Side = 2048;
const int64_t GridBytesPerCell = 4 + 1 + 2 + 4 + 4;

const testsupport::Bytes& World(uint32_t version)
{
    static testsupport::Bytes packed, plain;
    testsupport::Bytes& bytes = version == 17 ? plain : packed;
    if (bytes.empty())
    {
        testsupport::OprwWorld world = testsupport::SampleWorld(Side, Side, 20000, 5);
        world.version = version;
        bytes = testsupport::WriteOprw(world);
    }
    return bytes;
}

void LoadBench(benchmark::State& state, uint32_t version)
{
    const testsupport::Bytes& bytes = World(version);
    for (auto _ : state)
    {
        DeWrp reader;
        if (reader.Open(bytes.data(), static_cast<unsigned long>(bytes.size()), nullptr) != 0)
            state.SkipWithError("world did not load");
        benchmark::DoNotOptimize(reader.GetElevation());
    }
    const int64_t cells = int64_t{Side} * Side;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * cells * GridBytesPerCell);
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_WorldLoadPacked(benchmark::State& state)
{
    LoadBench(state, 3);
}

void BM_WorldLoadPlain(benchmark::State& state)
{
    LoadBench(state, 17);
}
// The packed elevation grid (16 MB decoded) into memory that is already
// mapped: the decoder alone, without the page faults of fresh blocks.
void BM_WorldBlockDecode(benchmark::State& state)
{
    static const testsupport::OprwWorld world = testsupport::SampleWorld(Side, Side, 0, 5);
    static const testsupport::Bytes packed = testsupport::WorldBlock(world.elevation, false);
    WrpBytes out;
    out.Allocate(world.elevation.size());
    for (auto _ : state)
    {
        WrpInput input;
        input.Attach(packed.data(), packed.size());
        if (DecodeWrpBlock(input, out.Data(), out.Size(), false) != 0)
            state.SkipWithError("block did not decode");
        benchmark::DoNotOptimize(out.Data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.Size()));
}
} // namespace

BENCHMARK(BM_WorldBlockDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadPacked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WorldLoadPlain)->Unit(benchmark::kMillisecond);
