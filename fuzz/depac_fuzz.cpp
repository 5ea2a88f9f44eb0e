// Texture inspection of arbitrary bytes from memory, with a callback that
// formats every line it is given.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "inspect/DePac.h"

namespace
{
bool FormatLine(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DePac texture;
    texture.Open(data, size, &FormatLine);
    return 0;
}
