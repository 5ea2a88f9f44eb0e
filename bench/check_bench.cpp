// ostrel check over a corpus-sized folder of files (configs, scripts and Arma
// archives) with one and with two threads, timed on the wall clock. The
// corpus (OSTREL_CHECK_BENCH_FILES files, default 600) is made in a temporary
// folder on first use; the program is the ostrel built beside this one.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "pbo/Ostrel.h"
#include "support/TempDir.h"

#ifdef OSTREL_PROGRAM
namespace
{
struct Corpus
{
    testsupport::TempDir dir;
    std::string list; // the file names, quoted, for the command line
};

std::string ConfigText(size_t index)
{
    std::string text = "class CfgPatches\n{\n";
    for (int c = 0; c < 120; ++c)
    {
        text += "\tclass Unit" + std::to_string(index) + "_" + std::to_string(c) + "\n\t{\n";
        text += "\t\tscope = 2;\n\t\tdisplayName = \"Unit number " + std::to_string(c) + "\";\n";
        text += "\t\tarmor = " + std::to_string(c * 3 + 1) + ".5;\n";
        text += "\t\tweapons[] = {\"Gun\", \"Throw\", \"Put\"};\n\t\tspeeds[] = {1, 2.5, 4, 8};\n\t};\n";
    }
    return text + "};\n";
}

std::string ScriptText()
{
    std::string text;
    for (int line = 0; line < 400; ++line)
        text += "_count = _count + " + std::to_string(line) + "\n~0.5\n";
    return text;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    bool ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return out && std::fclose(out) == 0 && ok;
}

// An Arma archive of eight 256 KB stored entries, checksum and all.
bool WriteArchive(const std::string& path, size_t index)
{
    std::string data(256u << 10, '\0');
    uint32_t seed = static_cast<uint32_t>(index) + 1;
    for (char& c : data)
    {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    Ostrel pbo;
    if (!pbo.CreatePbo(path.c_str(), Arma, "bench", nullptr, nullptr))
        return false;
    for (int i = 0; i < 8; ++i)
    {
        std::string name = "data\\part" + std::to_string(i) + ".bin";
        PboHeaderEntry header;
        header.name = &name[0];
        header.dataSize = static_cast<uint32_t>(data.size());
        if (!pbo.WriteEntry(&header))
            return false;
    }
    for (int i = 0; i < 8; ++i)
    {
        if (!pbo.WriteData(reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size())))
            return false;
    }
    return pbo.ClosePbo();
}

std::unique_ptr<Corpus> MakeCorpus()
{
    auto corpus = std::make_unique<Corpus>();
    const char* count = std::getenv("OSTREL_CHECK_BENCH_FILES");
    const size_t files = count ? std::strtoull(count, nullptr, 10) : 600;
    for (size_t i = 0; i < files; ++i)
    {
        std::string path;
        bool ok = false;
        switch (i % 6)
        {
        case 0:
            path = corpus->dir.Path("pack" + std::to_string(i) + ".pbo");
            ok = WriteArchive(path, i);
            break;
        case 1:
        case 2:
            path = corpus->dir.Path("script" + std::to_string(i) + ".sqs");
            ok = WriteText(path, ScriptText());
            break;
        default:
            path = corpus->dir.Path("config" + std::to_string(i) + ".cpp");
            ok = WriteText(path, ConfigText(i));
            break;
        }
        if (!ok)
            return nullptr;
        corpus->list += " '" + path + "'";
    }
    return corpus;
}

void BM_CheckJobs(benchmark::State& state)
{
    static std::unique_ptr<Corpus> corpus = MakeCorpus();
    if (!corpus)
    {
        state.SkipWithError("cannot write the corpus");
        return;
    }
    const std::string command = std::string("'") + OSTREL_PROGRAM + "' check --classic -j " +
                                std::to_string(state.range(0)) + corpus->list + " > /dev/null 2>&1";
    for (auto _ : state)
    {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("ostrel check failed on the corpus");
    }
}
} // namespace

BENCHMARK(BM_CheckJobs)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
#endif
