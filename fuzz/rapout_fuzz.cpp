// Config text compiled and, when it compiles, written in the inline and Arma
// layouts (or the one its pragmas choose) and decoded again: the writer and
// the decoder must take whatever tree the compiler builds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "rap/DeRap.h"
#include "rapify/Rapify.h"

namespace
{
// One scratch file for the whole run, removed at exit.
struct ScratchFile
{
    ScratchFile()
    {
        char pattern[] = "/tmp/ostrel-rapout-fuzz-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd < 0)
            std::abort();
        close(fd);
        path = pattern;
    }
    ~ScratchFile() { std::remove(path.c_str()); }
    std::string path;
};

void DecodeFile(const std::string& path)
{
    DeRap decoder;
    if (decoder.OpenRapFile(path.c_str()) == RapNoError)
    {
        const char* text = nullptr;
        decoder.ConvertRapData(&text);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const ScratchFile scratch;
    const std::string& path = scratch.path;
    std::string text(reinterpret_cast<const char*>(data), size);
    Rapify compiler;
    if (compiler.ProcessBuffer(text.c_str(), "C:\\fuzz\\config.cpp", nullptr, nullptr) != 0)
        return 0;
    for (bool forceBinary : {false, true})
    {
        int result = compiler.Output(path.c_str(), forceBinary);
        if (result != 0 && result != 4 && result != 33)
            std::abort(); // a tree the compiler built is always one the writer knows
        if (result == 0)
            DecodeFile(path);
    }
    return 0;
}
