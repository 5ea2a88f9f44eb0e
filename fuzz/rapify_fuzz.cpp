// Config compiling of arbitrary text: the first byte chooses whether
// #include reads from an aggregate whose archive holds a few includable
// entries (one of them including itself) or from the disk.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "RazDLL.h"

namespace
{
void PutU32(std::vector<unsigned char>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutName(std::vector<unsigned char>& out, const std::string& name)
{
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
}

// An archive of stored entries, written once and opened by one aggregate.
RazDLL* Aggregate()
{
    static RazDLL* dll = nullptr;
    if (dll)
        return dll;
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"a.h", "#define A(x) x##_a\nclass A { v = A(1); };\n"},
        {"b.h", "#include \"a.h\"\nb[] = {1, 2.5, \"s\"};\n"},
        {"self.h", "s = 1;\n#include \"self.h\"\n"},
        {"sub\\c.h", "enum {C, D = 4};\n"},
    };
    std::vector<unsigned char> bytes;
    for (const auto& e : entries)
    {
        PutName(bytes, e.first);
        for (uint32_t v : {0u, 0u, 0u, 0u, static_cast<uint32_t>(e.second.size())})
            PutU32(bytes, v);
    }
    PutName(bytes, "");
    for (int i = 0; i < 5; ++i)
        PutU32(bytes, 0);
    for (const auto& e : entries)
        bytes.insert(bytes.end(), e.second.begin(), e.second.end());
    const std::string path = "/tmp/ostrel-rapify-fuzz-" + std::to_string(getpid()) + ".pbo";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return nullptr;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    dll = new RazDLL;
    dll->ostrel.OpenPbo(path.c_str(), nullptr);
    std::remove(path.c_str());
    return dll;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    RazDLL* dll = (data[0] & 1) ? Aggregate() : nullptr;
    static Rapify compiler;
    int code = compiler.ProcessBuffer(text.c_str(), "/nonexistent-ostrel-fuzz/config.cpp", nullptr, dll);
    if ((code == 0) != (compiler.GetFirstEntry() != nullptr) || code < 0 || code > 33)
        __builtin_trap();
    return 0;
}
