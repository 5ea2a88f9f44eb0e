// Benchmarks of the binarised config decoder on large generated configs.

#include <benchmark/benchmark.h>

#include <string>

#include "rap/DeRap.h"
#include "support/RapBytes.h"

namespace
{
using testsupport::RapClass;
using testsupport::RapValue;

// A config in the shape of a large vehicle list: many classes of scalar
// values, strings, arrays and small sub-classes; 9000 classes make about 10 MB
// in the Arma layout. The inline layout has no expressions or declarations,
// and its string table holds at most 32768 strings.
RapClass LargeConfig(int classes, bool armaItems)
{
    RapClass list;
    for (int i = 0; i < classes; ++i)
    {
        std::string n = std::to_string(i);
        RapClass turret;
        turret.inherit = "MainTurret";
        turret.Value("gunnerName", RapValue::String("Gunner " + n))
            .Value("minElev", RapValue::Float(-4.5f))
            .Value("maxElev", RapValue::Float(20.0f + static_cast<float>(i % 7)))
            .Array("weapons", {RapValue::String("Cannon_" + n), RapValue::String("Coax_MG")})
            .Array("magazines", {RapValue::String("Shell_HE"), RapValue::String("Shell_AP"), RapValue::String("Belt")});
        RapClass vehicle;
        vehicle.inherit = i % 3 ? "Tank" : "Car";
        vehicle.Value("scope", RapValue::Int(2))
            .Value("displayName", RapValue::String("Vehicle number " + n + " \"Mk II\""))
            .Value("model", RapValue::String("\\data\\vehicles\\vehicle_" + n + ".p3d"))
            .Value("picture", RapValue::String("\\data\\ui\\picture_" + n + ".paa"))
            .Value("maxSpeed", RapValue::Int(40 + i % 60))
            .Value("armor", RapValue::Float(150.25f + static_cast<float>(i)))
            .Value("cost", RapValue::Int(100000 + i))
            .Value("accuracy", RapValue::Float(0.3f))
            .Value("side", armaItems ? RapValue::Expression("TEast") : RapValue::String("TEast"))
            .Array("extCameraPosition", {RapValue::Float(0.0f), RapValue::Float(2.5f), RapValue::Float(-12.0f)})
            .Array("hiddenSelections",
                   {RapValue::String("camo1"), RapValue::String("camo2"), RapValue::String("number_" + n)})
            .Array("soundEngine", {RapValue::String("\\sounds\\engine.wss"), RapValue::Float(1.0f),
                                   RapValue::Float(1.0f), RapValue::Int(700)})
            .Array("damageTable", {RapValue::Array({RapValue::Float(0.0f), RapValue::String("a.paa")}),
                                   RapValue::Array({RapValue::Float(0.5f), RapValue::String("b.paa")}),
                                   RapValue::Array({RapValue::Float(1.0f), RapValue::String("c.paa")})})
            .Class("Turret", turret)
            .Class("Sounds", RapClass());
        if (armaItems)
            vehicle.Declare("Extra");
        for (int k = 0; k < 40; ++k)
            vehicle.Value("param" + std::to_string(k), RapValue::Int(k * i));
        list.Class("Vehicle_" + n, vehicle);
    }
    RapClass root;
    root.Class("CfgPatches", RapClass().Class("Bench", RapClass().Value("requiredVersion", RapValue::Float(1.5f))))
        .Class("CfgVehicles", list);
    return root;
}

void DecodeBench(benchmark::State& state, const testsupport::Bytes& bytes)
{
    DeRap derap;
    for (auto _ : state)
    {
        if (!derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "config.bin"))
        {
            state.SkipWithError("not detected");
            break;
        }
        const char* text = nullptr;
        if (derap.ConvertRapData(&text) != RapNoError)
        {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(text);
        derap.Close(true);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
    state.counters["inputMB"] = static_cast<double>(bytes.size()) / 1e6;
}

void BM_DecodeArmaLayout(benchmark::State& state)
{
    static const testsupport::Bytes bytes =
        testsupport::ArmaBytes(LargeConfig(9000, true), {{"TEast", 0}, {"TWest", 1}});
    DecodeBench(state, bytes);
}

void BM_DecodeInlineLayout(benchmark::State& state)
{
    static const testsupport::Bytes bytes =
        testsupport::InlineBytes("config.cpp", LargeConfig(4000, false), {{"TEast", 0}, {"TWest", 1}});
    DecodeBench(state, bytes);
}
} // namespace

BENCHMARK(BM_DecodeArmaLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeInlineLayout)->Unit(benchmark::kMillisecond);
