// Whole-file writes made of the platform layer's own services, the same on
// every system.

#include <cerrno>
#include <cstdio>
#include <string>

#include "Platform.h"

namespace platform
{
int WriteFileFrom(const char* path, FILE* from, uint64_t fromOffset, uint64_t size)
{
    if (!path || !from)
        return EINVAL;
    std::string temporary;
    FILE* file = CreateTemporaryBeside(path, "wb", temporary);
    if (!file)
        return errno ? errno : EIO;
    int error = size ? CopyRange(from, fromOffset, file, size) : 0;
    if (std::fclose(file) != 0 && !error)
        error = errno ? errno : EIO;
    if (!error)
        error = ReplaceFile(temporary.c_str(), path);
    if (error)
        DeleteFile(temporary.c_str());
    return error;
}
} // namespace platform
