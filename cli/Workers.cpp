// Threads of a command beside its main thread.
#include "Workers.h"

#include <algorithm>
#include <system_error>

Workers::Workers(unsigned count, const std::function<void()>& work)
{
    threads.reserve(count); // so that starting a thread is all that can fail below
    try
    {
        for (unsigned i = 0; i < count; ++i)
            threads.emplace_back(work);
    }
    catch (const std::system_error&)
    {
        // Fewer threads: those started share the work.
    }
    if (threads.empty())
        work();
}

Workers::~Workers()
{
    for (std::thread& thread : threads)
        thread.join();
}

unsigned Workers::Count(unsigned requested, size_t jobs)
{
    unsigned count = requested ? requested : std::max(1u, std::thread::hardware_concurrency());
    return std::max(1u, static_cast<unsigned>(std::min<size_t>(count, jobs)));
}
