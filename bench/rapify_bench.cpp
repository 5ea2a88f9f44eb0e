// Config compiling speed: a generated vehicle list of a few megabytes of
// config text, with comments, macros and nested classes.
#include <benchmark/benchmark.h>

#include <string>

#include "rapify/Rapify.h"

namespace
{
std::string VehicleList(int classes)
{
    std::string text = "#define SPEED(n) n##0\n#define SIDE 2\n";
    text += "class CfgVehicles\n{\n";
    for (int i = 0; i < classes; ++i)
    {
        const std::string n = std::to_string(i);
        text += "\tclass Vehicle" + n + " : Tank // a tracked vehicle\n\t{\n";
        text += "\t\tscope = 2;\n\t\tside = SIDE;\n\t\tdisplayName = \"Vehicle number " + n + " \"\"Mk II\"\"\";\n";
        text += "\t\tmodel = \"\\data\\vehicles\\vehicle_" + n + ".p3d\";\n";
        text += "\t\tmaxSpeed = SPEED(" + std::to_string(4 + i % 9) + ");\n\t\tarmor = 150.25;\n";
        text += "\t\t/* turret block */ weapons[] = {\"Cannon_" + n + "\", \"Coax_MG\", {1, 2.5, -3}};\n";
        text += "\t\tclass Turrets { class MainTurret { gunnerName = \"Gunner\"; minElev = -4.5; }; };\n\t};\n";
    }
    text += "};\n";
    return text;
}

void BM_CompileVehicleList(benchmark::State& state)
{
    const std::string text = VehicleList(static_cast<int>(state.range(0)));
    Rapify compiler;
    for (auto _ : state)
    {
        int code = compiler.ProcessBuffer(text.c_str(), "config.cpp", nullptr, nullptr);
        if (code != 0)
            state.SkipWithError("compile failed");
        benchmark::DoNotOptimize(compiler.GetFirstEntry());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
} // namespace

BENCHMARK(BM_CompileVehicleList)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
