// Ctrl-C handling of the ostrel tool: a flag for the running command, and a
// forced exit on the second interrupt.

#include "Interrupt.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace cli
{
namespace interrupt
{
namespace
{
volatile std::sig_atomic_t requested = 0;
const char* volatile guarded = nullptr;

extern "C" void OnInterrupt(int signal)
{
    if (requested)
    {
        // Only async-signal-safe calls here.
        const char* path = guarded;
        if (path)
            unlink(path);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    requested = 1;
}
} // namespace

void Install()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool Requested()
{
    return requested != 0;
}

void Guard(const char* path)
{
    guarded = path;
}
} // namespace interrupt
} // namespace cli
