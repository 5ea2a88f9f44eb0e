// Loading an entry as text: binarised configs are converted through the
// aggregate's config decoder, other data is handed back as loaded.

#include <climits>
#include <cstdlib>
#include <cstring>

#include "../frame/RazDLL.h"
#include "Ostrel.h"
#include "PboErrors.h"
#include "../frame/AllocFail.h"

namespace
{
// Decodes n bytes of entry data with the decoder; the decoded text (C
// allocator, now the caller's), or null when the bytes are no config the
// decoder converts.
char* DecodeConfig(DeRap& decoder, const unsigned char* data, int n, const char* name)
{
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
} // namespace

int Ostrel::GetAscData(pbo_entry* entry, bool terminate)
{
    int n = GetBinData(entry, false);
    if (n <= 0)
        return n;
    // Text already converted is handed back as it is.
    if (entry->converted)
        return n;
    if (parent)
    {
        if (char* text = DecodeConfig(parent->derap, entry->data, n, entry->name))
        {
            std::free(entry->data);
            entry->data = reinterpret_cast<unsigned char*>(text);
            entry->converted = 1;
            entry->loadedSize = static_cast<int32_t>(std::strlen(text) + 1);
            return entry->loadedSize;
        }
    }
    if (!terminate)
        return n;
    if (n == INT_MAX)
        return errorCode = PboNoMemory;
    unsigned char* block = static_cast<unsigned char*>(ostrel_internal::alloc::Allocate(static_cast<size_t>(n) + 1));
    if (!block)
        return errorCode = PboNoMemory;
    // The bytes up to the first zero byte, zero bytes after it.
    const void* zero = std::memchr(entry->data, 0, static_cast<size_t>(n));
    size_t kept = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - entry->data)
                       : static_cast<size_t>(n);
    std::memcpy(block, entry->data, kept);
    std::memset(block + kept, 0, static_cast<size_t>(n) + 1 - kept);
    std::free(entry->data);
    entry->data = block;
    entry->loadedSize = n + 1;
    return n + 1;
}
