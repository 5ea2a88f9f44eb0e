// Ctrl-C handling of the ostrel tool: a flag for the running command, and a
// forced exit on the second interrupt.

#include "Interrupt.h"

#include <atomic>
#include <csignal>
#include <initializer_list>
#if defined(_WIN32)
#include <cstdio>
#else
#include <unistd.h>
#endif

namespace cli
{
namespace interrupt
{
namespace
{
// The signal that asked the command to stop; 0 while none has. Read by every
// thread of a command that works on several (lock-free, so the handler may
// write it).
std::atomic<int> requested(0);
static_assert(std::atomic<int>::is_always_lock_free, "the handler writes the flag");
const char* volatile guarded = nullptr;

extern "C" void OnInterrupt(int signal)
{
    if (requested)
    {
        // Only async-signal-safe calls here.
        const char* path = guarded;
        if (path)
        {
#if defined(_WIN32)
            std::remove(path);
#else
            unlink(path);
#endif
        }
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    requested = signal;
#if defined(_WIN32)
    // The handler is reset to the default before it runs there.
    std::signal(signal, OnInterrupt);
#endif
}
} // namespace

void Install()
{
#if defined(_WIN32)
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#else
    // No SA_RESTART: a write blocked on a full pipe or terminal returns, so
    // the command sees the request at its next entry.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigset_t caught;
    sigemptyset(&caught);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        sigaction(signal, &action, nullptr);
        sigaddset(&caught, signal);
    }
    // A signal that arrived while blocked is delivered here, before any work.
    sigprocmask(SIG_UNBLOCK, &caught, nullptr);
#endif
}

bool Requested()
{
    return requested != 0;
}

bool KeepGoing(const char*, ...)
{
    return requested == 0;
}

int ExitStatus()
{
    return 128 + static_cast<int>(requested);
}

void Guard(const char* path)
{
    guarded = path;
}
} // namespace interrupt
} // namespace cli
