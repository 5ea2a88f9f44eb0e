// Threads of a command that work beside its main thread (which reports as
// results come in) and are joined when the object goes.
#pragma once

#include <functional>
#include <thread>
#include <vector>

class Workers
{
public:
    // Starts up to count threads, each running work. A thread the system
    // cannot start leaves its share to the others; when none starts, work
    // runs here, on the caller's thread, before the constructor returns.
    Workers(unsigned count, const std::function<void()>& work);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // The count asked for, or one per processor for 0, at most jobs (and at
    // least one).
    static unsigned Count(unsigned requested, size_t jobs);

private:
    std::vector<std::thread> threads;
};
