// Config compiler throughput: a generated config text of about 10 MB
// preprocessed, parsed and written in each binary layout (MB/s of text).

#include <benchmark/benchmark.h>

#include <string>

#include "rapify/Rapify.h"
#include "support/ConfigText.h"
#include "support/TempDir.h"

namespace
{
const std::string& LargeText()
{
    static const std::string text = [] {
        testsupport::ConfigTextOptions options;
        options.declarations = false; // the same text serves the inline layout
        options.targetBytes = 10u << 20;
        return testsupport::GenerateConfigText(2026, options);
    }();
    return text;
}

// layout: 0 inline, 1 Arma (forced), 2 Xbox (by pragma).
void CompileAndWrite(benchmark::State& state)
{
    int layout = static_cast<int>(state.range(0));
    std::string text = (layout == 2 ? "#pragma _xbox_ WithSignature\n" : "") + LargeText();
    testsupport::TempDir dir;
    std::string path = dir.Path("config.bin");
    for (auto _ : state)
    {
        Rapify compiler;
        int compiled = compiler.ProcessBuffer(text.c_str(), "config.cpp", nullptr, nullptr);
        int written = compiled ? compiled : compiler.Output(path.c_str(), layout == 1);
        if (written)
        {
            state.SkipWithError("compile or output failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
// The same text compiled without writing, to tell the writer's share.
void CompileText(benchmark::State& state, const std::string& text)
{
    for (auto _ : state)
    {
        Rapify compiler;
        if (compiler.ProcessBuffer(text.c_str(), "config.cpp", nullptr, nullptr))
        {
            state.SkipWithError("compile failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
void CompileOnly(benchmark::State& state)
{
    CompileText(state, LargeText());
}
// One compiled tree written again and again: the writer alone (MB/s of the
// source text it stands for).
void WriteOnly(benchmark::State& state)
{
    int layout = static_cast<int>(state.range(0));
    std::string text = (layout == 2 ? "#pragma _xbox_ WithSignature\n" : "") + LargeText();
    testsupport::TempDir dir;
    std::string path = dir.Path("config.bin");
    Rapify compiler;
    if (compiler.ProcessBuffer(text.c_str(), "config.cpp", nullptr, nullptr))
        state.SkipWithError("compile failed");
    for (auto _ : state)
    {
        if (compiler.Output(path.c_str(), layout == 1))
        {
            state.SkipWithError("output failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
// One line of range(0) empty block comments: comment removal must stay
// linear in the line's length (it once restarted after every comment).
void CommentLine(benchmark::State& state)
{
    std::string text = "x = 1;";
    for (int64_t i = 0; i < state.range(0); ++i)
        text += "/**/";
    CompileText(state, text + "\n");
}
} // namespace

BENCHMARK(CommentLine)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteOnly)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(CompileAndWrite)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(CompileOnly)->Unit(benchmark::kMillisecond);
