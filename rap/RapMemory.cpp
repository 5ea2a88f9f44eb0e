#include "RapMemory.h"

#include <cstdlib>

namespace rapmemory
{
namespace
{
thread_local long remaining = -1;

bool Granted()
{
    if (remaining < 0)
        return true;
    if (remaining == 0)
        return false;
    --remaining;
    return true;
}
} // namespace

void* Allocate(size_t bytes)
{
    return Granted() ? std::malloc(bytes) : nullptr;
}

void* Reallocate(void* block, size_t bytes)
{
    return Granted() ? std::realloc(block, bytes) : nullptr;
}

void FailAfter(long successes)
{
    remaining = successes;
}
} // namespace rapmemory
