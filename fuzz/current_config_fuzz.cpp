// Config compiling of arbitrary text in the current game's dialect, with a
// small mounted folder (a prefix file, a macro library and a file that
// includes itself) for its game-path and relative includes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "RazDLL.h"

namespace
{
void Put(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

const std::string& Folder()
{
    static std::string folder;
    if (!folder.empty())
        return folder;
    folder = "/tmp/ostrel-current-fuzz-" + std::to_string(getpid());
    mkdir(folder.c_str(), 0700);
    Put(folder + "/$PBOPREFIX$", "x\\lib\n");
    Put(folder + "/m.hpp", "#define Q(x) #x\n#define D(a,b) a##_##b\n#define V(a,...) a __VA_ARGS__\n"
                           "#ifndef G\n#define G 1\n#endif\n");
    Put(folder + "/self.hpp", "s = __COUNTER__;\n#include \"\\x\\lib\\self.hpp\"\n");
    return folder;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    static Rapify compiler;
    if (compiler.GetMounts().empty())
    {
        compiler.SetDialect(RapifyDialect::Current);
        compiler.AddMountTree(Folder().c_str());
    }
    const std::string path = Folder() + "/config.cpp";
    int code = compiler.ProcessBuffer(text.c_str(), path.c_str(), nullptr, nullptr);
    if ((code == 0) != (compiler.GetFirstEntry() != nullptr) || code < 0 || code > 33)
        __builtin_trap();
    // A failure always leaves its diagnostic.
    if (code != 0 && compiler.GetDiagnostics().empty())
        __builtin_trap();
    return 0;
}
