// Makes the library's parser allocations of this thread fail after a number
// of successes, for as long as the object lives.
#pragma once

#include "frame/AllocFail.h"

namespace testsupport
{
class AllocBudget
{
public:
    explicit AllocBudget(long successes) { ostrel_internal::alloc::FailAfter(successes); }
    ~AllocBudget() { ostrel_internal::alloc::FailAfter(-1); }
    AllocBudget(const AllocBudget&) = delete;
    AllocBudget& operator=(const AllocBudget&) = delete;
};
} // namespace testsupport
