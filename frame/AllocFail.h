// The parsers' C-allocator and nothrow-new calls, with a hook through which
// the library's own tests make them fail. Internal to the library, not part of
// its interface (nothing here is exported).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>

namespace ostrel_internal
{
namespace alloc
{
// True when a budget is set for this thread and it is spent; each allocation
// that passes takes one from it. Without a budget this is one pointer check.
bool Refused();

// The next `successes` allocations of this thread pass and every later one is
// refused, until the next call; a negative count removes the budget.
void FailAfter(long successes);

inline void* Allocate(size_t bytes)
{
    return Refused() ? nullptr : std::malloc(bytes);
}

inline void* AllocateZeroed(size_t count, size_t size)
{
    return Refused() ? nullptr : std::calloc(count, size);
}

inline void* Reallocate(void* block, size_t bytes)
{
    return Refused() ? nullptr : std::realloc(block, bytes);
}

// new (std::nothrow) T(arguments...), or null when refused.
template <typename T, typename... Arguments>
T* New(Arguments&&... arguments)
{
    return Refused() ? nullptr : new (std::nothrow) T(std::forward<Arguments>(arguments)...);
}

// new (std::nothrow) T[count], or null when refused.
template <typename T>
T* NewArray(size_t count)
{
    return Refused() ? nullptr : new (std::nothrow) T[count];
}
} // namespace alloc
} // namespace ostrel_internal
