// Loading an entry as text: binarised configs are converted through the
// aggregate's config decoder, other data is handed back as loaded.

#include <climits>
#include <cstdlib>
#include <cstring>

#include "../frame/AllocFail.h"
#include "ConfigHooks.h"
#include "Ostrel.h"
#include "PboErrors.h"

int Ostrel::GetAscData(pbo_entry* entry, bool terminate)
{
    int n = GetBinData(entry, false);
    if (n <= 0)
        return n;
    // Text already converted is handed back as it is.
    if (entry->converted)
        return n;
    if (char* text = pbo_hooks::DecodeConfig(parent, entry->data, n, entry->name))
    {
        std::free(entry->data);
        entry->data = reinterpret_cast<unsigned char*>(text);
        entry->converted = 1;
        entry->loadedSize = static_cast<int32_t>(std::strlen(text) + 1);
        return entry->loadedSize;
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
    size_t kept =
        zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - entry->data) : static_cast<size_t>(n);
    std::memcpy(block, entry->data, kept);
    std::memset(block + kept, 0, static_cast<size_t>(n) + 1 - kept);
    std::free(entry->data);
    entry->data = block;
    entry->loadedSize = n + 1;
    return n + 1;
}
