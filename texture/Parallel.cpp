// Jobs shared between threads by a counter each thread takes the next job
// from; a thread that cannot be started leaves its share to the others.
#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace texture
{
unsigned ThreadCount(unsigned requested)
{
    if (requested)
        return requested;
    return std::max(1u, std::thread::hardware_concurrency());
}

void ForEachJob(size_t jobs, unsigned threads, const std::function<void(size_t)>& job)
{
    std::atomic<size_t> next(0);
    auto work = [&] {
        for (size_t i = next++; i < jobs; i = next++)
            job(i);
    };
    const size_t helpers = std::min<size_t>(ThreadCount(threads), jobs) - (jobs ? 1 : 0);
    std::vector<std::thread> started;
    started.reserve(helpers); // so that starting a thread is the only thing that can fail below
    try
    {
        for (size_t i = 0; i < helpers; ++i)
            started.emplace_back(work);
    }
    catch (const std::system_error&)
    {
        // Fewer threads: the started ones and this one share every job.
    }
    work();
    for (std::thread& thread : started)
        thread.join();
}
} // namespace texture
