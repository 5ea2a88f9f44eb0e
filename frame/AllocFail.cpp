// The allocation budget behind the parsers' allocation calls: unset in normal
// runs, set by tests that walk every out-of-memory path.

#include "AllocFail.h"

namespace ostrel_internal
{
namespace alloc
{
namespace
{
thread_local long remaining = 0;
thread_local long* budget = nullptr;
} // namespace

bool Refused()
{
    if (!budget)
        return false;
    if (*budget == 0)
        return true;
    --*budget;
    return false;
}

void FailAfter(long successes)
{
    remaining = successes;
    budget = successes < 0 ? nullptr : &remaining;
}
} // namespace alloc
} // namespace ostrel_internal
