// Jobs shared between threads: each job runs once, in no fixed order, and
// the caller returns when all have run.
#pragma once

#include <cstddef>
#include <functional>

namespace texture
{
// The count asked for, or one per processor for 0; never 0.
unsigned ThreadCount(unsigned requested);

// Runs job(0) .. job(jobs - 1) on up to threads threads, the caller's one
// among them. Jobs must not throw and must write to places of their own.
void ForEachJob(size_t jobs, unsigned threads, const std::function<void(size_t)>& job);
} // namespace texture
