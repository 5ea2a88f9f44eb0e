// Model inspection of arbitrary bytes from memory, then every getter over
// the levels that were kept.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "inspect/DeP3d.h"

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

// Kept where the optimiser cannot drop the text reads.
size_t lastTextBytes = 0;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DeP3d model;
    if (model.Open(data, size, &FormatLine) != 0)
        return 0;
    size_t total = 0;
    for (long lod = 0; lod < model.GetLodCount(); ++lod)
    {
        for (long tag = 0; tag < model.GetMlodTagCount(lod); ++tag)
            total += std::strlen(model.GetMlodTagName(lod, tag));
        for (long polygon = 0; polygon < model.GetMlodPolyCount(lod); ++polygon)
            total += std::strlen(model.GetMlodPolySignature(lod, polygon));
    }
    lastTextBytes = total;
    return 0;
}
