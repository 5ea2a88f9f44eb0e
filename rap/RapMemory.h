#pragma once

#include <cstddef>

// C-allocator calls of the config decoder. Every block the decoder allocates
// goes through here, so that its out-of-memory paths can be exercised: a test
// may ask the allocations of the current thread to fail after a number of
// successes.
namespace rapmemory
{
void* Allocate(size_t bytes);
void* Reallocate(void* block, size_t bytes);

// The next `successes` allocations of this thread succeed and every later one
// fails, until the next call; a negative count (the default) never fails.
void FailAfter(long successes);
} // namespace rapmemory
