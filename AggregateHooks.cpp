// The bodies of the hooks that the archive and the compiler declare: the work
// they hand to their siblings through the aggregate.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "RazDLL.h"
#include "frame/AllocFail.h"
#include "pbo/ConfigHooks.h"
#include "rap/RapFormat.h"
#include "rapify/IncludeHook.h"

namespace
{
// The aggregate's compiler, or one owned by the build.
class CompilerHook : public pbo_hooks::ConfigCompiler
{
public:
    explicit CompilerHook(Rapify& compiler) : compiler(compiler) {}
    explicit CompilerHook(std::unique_ptr<Rapify> own) : owned(std::move(own)), compiler(*owned) {}
    int ProcessFile(const char* path) override { return compiler.ProcessFile(path, nullptr); }
    int Output(const char* binPath, bool armaLayout) override { return compiler.Output(binPath, armaLayout); }

private:
    std::unique_ptr<Rapify> owned;
    Rapify& compiler;
};
} // namespace

namespace pbo_hooks
{
std::unique_ptr<ConfigCompiler> CompilerFor(RazDLL* aggregate)
{
    if (aggregate)
        return std::unique_ptr<ConfigCompiler>(new (std::nothrow) CompilerHook(aggregate->rapify));
    std::unique_ptr<Rapify> own(new (std::nothrow) Rapify());
    if (!own)
        return nullptr;
    return std::unique_ptr<ConfigCompiler>(new (std::nothrow) CompilerHook(std::move(own)));
}

bool IsBinarisedConfig(const unsigned char* head)
{
    static_assert(ConfigHeadSize == rapformat::SignatureLength, "the head is the signature");
    return std::memcmp(head, rapformat::Signature, rapformat::SignatureLength) == 0;
}

char* DecodeConfig(RazDLL* aggregate, const unsigned char* data, int n, const char* name)
{
    if (!aggregate)
        return nullptr;
    DeRap& decoder = aggregate->derap;
    // The decoder rewrites space-coded data in place; such data is decoded
    // from a copy, so that the entry keeps its bytes when it is no config.
    unsigned char* copy = nullptr;
    if (data[0] == ' ')
    {
        copy = static_cast<unsigned char*>(ostrel_internal::alloc::Allocate(static_cast<size_t>(n)));
        if (!copy)
            return nullptr;
        std::memcpy(copy, data, static_cast<size_t>(n));
        data = copy;
    }
    char* text = nullptr;
    if (decoder.SetAsRapData(data, static_cast<unsigned int>(n), name))
    {
        const char* decoded = nullptr;
        if (decoder.ConvertRapData(&decoded) == RapNoError && decoded && std::strlen(decoded) < INT_MAX)
            text = const_cast<char*>(decoded);
    }
    // Close(false) leaves the text to us; Close(true) frees a failed one.
    decoder.Close(text == nullptr);
    std::free(copy);
    return text;
}
} // namespace pbo_hooks

namespace rapify_hooks
{
char* ReadArchiveText(RazDLL* aggregate, const char* name)
{
    if (!aggregate)
        return nullptr;
    Ostrel& archive = aggregate->ostrel;
    pbo_entry* entry = archive.FindEntry(name);
    if (!entry)
        return nullptr;
    int size = archive.GetAscData(entry, true);
    const char* data = reinterpret_cast<const char*>(archive.GetDataPtr(entry));
    if (size <= 0 || !data)
        return nullptr;
    size_t length = strnlen(data, static_cast<size_t>(size));
    char* text = static_cast<char*>(std::malloc(length + 1));
    if (!text)
        return nullptr;
    std::memcpy(text, data, length);
    text[length] = '\0';
    return text;
}
} // namespace rapify_hooks
