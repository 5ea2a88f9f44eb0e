// ostrel build of a generated mod of 200 addons (OSTREL_MODBUILD_BENCH_MB
// megabytes in all, default 1024): the cold build beside a `cp -r` of the
// same tree in each iteration, and the rebuild with nothing changed. The
// project is made in a temporary folder on first use and removed at the end.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

#ifdef OSTREL_PROGRAM
namespace
{
const int Addons = 200;
const int Scripts = 4;
const int BinaryFiles = 4;

struct Project
{
    testsupport::TempDir dir;
    std::string root;   // the project folder
    std::string copy;   // where the yardstick copies it
    uint64_t bytes = 0; // of every file made
};

bool Write(Project& project, const std::string& path, const void* data, size_t size)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(data, 1, size, out) == size;
    project.bytes += size;
    return out && std::fclose(out) == 0 && ok;
}

bool WriteText(Project& project, const std::string& path, const std::string& text)
{
    return Write(project, path, text.data(), text.size());
}

// The macro library other mods include by game path.
std::string MacroLibrary()
{
    std::string text = "#define QUOTE(x) #x\n#define DOUBLES(a,b) a##_##b\n#define TRIPLES(a,b,c) a##_##b##_##c\n"
                       "#define PREFIX bench\n#define GVAR(name) DOUBLES(PREFIX,name)\n"
                       "#define QGVAR(name) QUOTE(GVAR(name))\n#define PATHTOF(f) \\z\\bench\\addons\\f\n"
                       "#define QPATHTOF(f) QUOTE(PATHTOF(f))\n";
    for (int i = 0; i < 150; ++i)
        text += "#define SETTING_" + std::to_string(i) + " " + std::to_string(i * 7) + "\n";
    return text;
}

std::string Config(int addon)
{
    const std::string name = "a" + std::to_string(addon);
    std::string text = "#include \"\\x\\lib\\main\\macros.hpp\"\n#define COMPONENT " + name +
                       "\nclass CfgPatches\n{\n\tclass GVAR(COMPONENT)\n\t{\n\t\tunits[] = {};\n"
                       "\t\trequiredVersion = 2.1;\n\t\trequiredAddons[] = {\"bench_a0\"};\n\t};\n};\n"
                       "class CfgVehicles\n{\n";
    for (int c = 0; c < 60; ++c)
    {
        const std::string index = std::to_string(c);
        text += "\tclass TRIPLES(PREFIX,COMPONENT," + index + ")\n\t{\n\t\tscope = 2;\n\t\tdisplayName = QGVAR(unit_" +
                index + ");\n\t\tmodel = QPATHTOF(" + name + "\\data\\unit.p3d);\n\t\tarmor = SETTING_" +
                std::to_string(c % 150) + ";\n\t\tspeeds[] = {1, 2.5, SETTING_3, 8};\n\t};\n";
    }
    return text + "};\n";
}

std::string Script(int addon, int script)
{
    std::string text;
    for (int line = 0; line < 120; ++line)
        text += "private _value" + std::to_string(line) + " = [" + std::to_string(addon) + ", " +
                std::to_string(script) + "] call bench_fnc_compute; // line " + std::to_string(line) + "\n";
    return text;
}

std::unique_ptr<Project> MakeProject()
{
    auto project = std::make_unique<Project>();
    const char* mb = std::getenv("OSTREL_MODBUILD_BENCH_MB");
    const uint64_t total = (mb ? std::strtoull(mb, nullptr, 10) : 1024) << 20;
    const size_t binarySize = static_cast<size_t>(total / (Addons * BinaryFiles));
    std::vector<unsigned char> block(binarySize);
    uint32_t seed = 4242;
    for (unsigned char& b : block)
    {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<unsigned char>(seed >> 16);
    }
    project->root = project->dir.Path("project");
    project->copy = project->dir.Path("copy");
    const std::string& root = project->root;
    if (!WriteText(*project, root + "/include/x/lib/main/macros.hpp", MacroLibrary()))
        return nullptr;
    for (int a = 0; a < Addons; ++a)
    {
        const std::string folder = root + "/addons/a" + std::to_string(a);
        bool ok = WriteText(*project, folder + "/$PBOPREFIX$", "z\\bench\\addons\\a" + std::to_string(a) + "\n") &&
                  WriteText(*project, folder + "/config.cpp", Config(a));
        for (int s = 0; ok && s < Scripts; ++s)
            ok = WriteText(*project, folder + "/functions/fn_part" + std::to_string(s) + ".sqf", Script(a, s));
        for (int b = 0; ok && b < BinaryFiles; ++b)
        {
            block[0] = static_cast<unsigned char>(a);
            block[block.size() / 2] = static_cast<unsigned char>(b);
            ok = Write(*project, folder + "/data/part" + std::to_string(b) + ".paa", block.data(), block.size());
        }
        if (!ok)
            return nullptr;
    }
    return project;
}

Project* Sample(benchmark::State& state)
{
    static std::unique_ptr<Project> project = MakeProject();
    if (!project)
        state.SkipWithError("cannot write the project");
    return project.get();
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string BuildCommand(const Project& project, const char* report = "-q")
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return Quoted(OSTREL_PROGRAM) + " build --reproducible " + report + " -j " + std::to_string(cores) + " " +
           Quoted(project.root) + " 2> /dev/null";
}

// Runs the build with its report; how many addons it built (negative when it
// failed).
long BuiltAddons(const Project& project)
{
    FILE* pipe = popen(BuildCommand(project, "--json").c_str(), "r");
    if (!pipe)
        return -1;
    std::string report;
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;)
        report.append(block, got);
    if (pclose(pipe) != 0)
        return -1;
    const size_t at = report.find("\"built\": ");
    return at == std::string::npos ? -1 : std::strtol(report.c_str() + at + 9, nullptr, 10);
}

// Seconds the command takes; negative when it fails.
double Timed(const std::string& command)
{
    const auto started = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// Each iteration: the copy, then the build from nothing (no output, no
// cache), each started with no dirty pages left by the other. The time is
// the build's; the copy's and the ratio are counters.
void BM_ModBuildCold(benchmark::State& state)
{
    Project* project = Sample(state);
    if (!project)
        return;
    const std::string clear = "rm -rf " + Quoted(project->copy) + " " + Quoted(project->root + "/.ostrel") + " && sync";
    const std::string copy = "mkdir " + Quoted(project->copy) + " && cp -r " + Quoted(project->root + "/addons") + " " +
                             Quoted(project->root + "/include") + " " + Quoted(project->copy);
    const std::string build = BuildCommand(*project) + " > /dev/null";
    double copied = 0, built = 0;
    for (auto _ : state)
    {
        const double copySeconds = std::system(clear.c_str()) == 0 ? Timed(copy) : -1;
        const double buildSeconds = std::system(clear.c_str()) == 0 ? Timed(build) : -1;
        if (copySeconds < 0 || buildSeconds < 0)
        {
            state.SkipWithError("the copy or the build failed");
            break;
        }
        copied += copySeconds;
        built += buildSeconds;
        state.SetIterationTime(buildSeconds);
    }
    std::system(("rm -rf " + Quoted(project->copy)).c_str());
    state.counters["copy_ms"] = benchmark::Counter(copied * 1000 / double(state.iterations()));
    state.counters["ratio"] = benchmark::Counter(copied > 0 ? built / copied : 0);
    state.counters["MB"] = benchmark::Counter(double(project->bytes) / (1 << 20));
}

// A build with nothing changed since the last one.
void BM_ModBuildNoChange(benchmark::State& state)
{
    Project* project = Sample(state);
    if (!project)
        return;
    const std::string command = BuildCommand(*project) + " > /dev/null";
    // The first build brings the cache up to date; the second must build nothing.
    if (BuiltAddons(*project) < 0 || BuiltAddons(*project) != 0)
    {
        state.SkipWithError("the builds failed, or the second built something again");
        return;
    }
    for (auto _ : state)
    {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("the build failed");
    }
}
} // namespace

BENCHMARK(BM_ModBuildCold)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_ModBuildNoChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif
