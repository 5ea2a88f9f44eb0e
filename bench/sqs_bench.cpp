// Script checking speed over a generated mission script of a few megabytes.
#include <benchmark/benchmark.h>

#include <string>

#include "sqs/DeSqs.h"
#include "support/TempDir.h"

namespace
{
// Lines in the shape of real mission scripts: assignments, conditions,
// waits, delays, labels, comments, commands with arrays and strings.
std::string GeneratedScript(size_t bytes)
{
    static const char* const lines[] = {
        "; wave %d of the counter-attack\r\n",
        "#wave%d\r\n",
        "_unit%d = _this select 0\r\n",
        "_pos = getPos _unit%d\r\n",
        "_count = (count units group player) + %d\r\n",
        "? (_count > 3) and alive player : goto \"wave%d\"\r\n",
        "player setPos [(_pos select 0) + %d, (_pos select 1) - 5, 0]\r\n",
        "hint format [\"Wave %d: %%1 units left\", _count]\r\n",
        "@ (time > _start + %d) or not alive player\r\n",
        "~ random %d + 2\r\n",
        "\"Marker%d\" setMarkerPos getPos leader group player\r\n",
        "_veh = \"Jeep\" createVehicle [%d, 200, 0]\r\n",
        "player sideChat \"Moving to \"\"checkpoint\"\" %d\"\r\n",
        "[_unit%d, \"SAFE\"] exec \"scripts\\patrol.sqs\"\r\n",
    };
    std::string script;
    char line[256];
    for (int i = 0; script.size() < bytes; ++i)
    {
        for (const char* format : lines)
        {
            std::snprintf(line, sizeof line, format, i);
            script += line;
        }
    }
    return script;
}

void BM_CheckScript(benchmark::State& state)
{
    testsupport::TempDir dir;
    const std::string script = GeneratedScript(4 << 20);
    testsupport::WriteFile(dir.Path("bench.sqs"), script);
    DeSqs checker;
    for (auto _ : state)
    {
        if (checker.Open(dir.Path("bench.sqs").c_str(), nullptr) != 0)
        {
            state.SkipWithError("cannot open");
            break;
        }
        int code = checker.Process();
        if (code != 0)
        {
            state.SkipWithError(checker.ErrorString(code));
            break;
        }
        checker.Close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(script.size()));
    state.counters["inputMB"] = static_cast<double>(script.size()) / 1e6;
}
} // namespace

BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);
