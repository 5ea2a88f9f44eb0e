// The current game's preprocessor: an addon-shaped config of about 8 MB
// (name macros over a macro library, conditionals, continued lines),
// preprocessed alone and compiled (MB/s of preprocessed text), and a call
// left open over many lines.

#include <benchmark/benchmark.h>

#include <string>

#include "rapify/Rapify.h"

namespace
{
const std::string& AddonText()
{
    static const std::string text = [] {
        std::string t = "#define PREFIX tst\n#define COMPONENT main\n#define DOUBLES(a,b) a##_##b\n"
                        "#define TRIPLES(a,b,c) a##_##b##_##c\n#define ADDON DOUBLES(PREFIX,COMPONENT)\n"
                        "#define QUOTE(x) #x\n#define GVAR(x) DOUBLES(ADDON,x)\n#define QGVAR(x) QUOTE(GVAR(x))\n"
                        "#define FUNC(x) TRIPLES(ADDON,fnc,x)\n#define ARR_2(a,b) a,b\n"
                        "#define PATHTOF(x) \\z\\PREFIX\\addons\\COMPONENT\\x\n#define QPATHTOF(x) QUOTE(PATHTOF(x))\n"
                        "class CfgVehicles {\n";
        for (int i = 0; t.size() < (8u << 20); ++i)
        {
            const std::string n = std::to_string(i);
            t += "#ifdef COMPONENT\n    class GVAR(item" + n + ") {\n        displayName = QGVAR(name" + n +
                 ");\n        init = QUOTE([ARR_2(1," + n + ")] call FUNC(init" + n +
                 "));\n        icon = QPATHTOF(ui\\icon" + n + ".paa);\n        value = " + n +
                 ";\n        text = QUOTE(\\\n            long text " + n +
                 ");\n    };\n#else\n    skipped = 1;\n#endif\n";
        }
        return t + "};\n";
    }();
    return text;
}

void Preprocess(benchmark::State& state)
{
    size_t produced = 0;
    for (auto _ : state)
    {
        Rapify compiler;
        if (compiler.PreprocessBuffer(AddonText().c_str(), "config.cpp") != 0)
        {
            state.SkipWithError("preprocessing failed");
            break;
        }
        produced += compiler.GetPreprocessedText().size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(produced));
}

void CompileCurrent(benchmark::State& state)
{
    size_t produced = 0;
    for (auto _ : state)
    {
        Rapify compiler;
        compiler.SetDialect(RapifyDialect::Current);
        if (compiler.ProcessBuffer(AddonText().c_str(), "config.cpp", nullptr, nullptr) != 0)
        {
            state.SkipWithError("compile failed");
            break;
        }
        produced += compiler.GetPreprocessedText().size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(produced));
}
// A parenthesis left open for 200,000 lines: every line is taken into one
// logical line, which must cost linear time (100,000 short lines took 5 s
// when each line taken in made the parentheses be counted again from the
// start).
void OpenCallLines(benchmark::State& state)
{
    std::string text = "x = (\n";
    for (int i = 0; i < 200000; ++i)
        text += "a \"(\" b\n";
    text += ");\n";
    for (auto _ : state)
    {
        Rapify compiler;
        if (compiler.PreprocessBuffer(text.c_str(), "config.cpp") != 0)
        {
            state.SkipWithError("preprocessing failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
} // namespace

BENCHMARK(Preprocess)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenCallLines)->Unit(benchmark::kMillisecond);
BENCHMARK(CompileCurrent)->Unit(benchmark::kMillisecond);
