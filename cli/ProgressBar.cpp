// The progress bar of long commands, drawn on standard error.

#include "ProgressBar.h"

#include <cstdio>
#include <cstdlib>

#include "Console.h"

namespace cli
{
namespace
{
const int BarWidth = 24;
const std::chrono::milliseconds RedrawInterval(100);

std::chrono::milliseconds DelayFromEnvironment()
{
    const char* setting = std::getenv("OSTREL_PROGRESS_DELAY");
    if (setting && *setting)
    {
        char* end = nullptr;
        const long value = std::strtol(setting, &end, 10);
        if (*end == 0 && value >= 0)
            return std::chrono::milliseconds(value);
    }
    return std::chrono::milliseconds(300);
}
} // namespace

ProgressBar::ProgressBar(bool enabled, const char* label)
    : active(enabled && IsTerminal(stderr)), label(label), delay(DelayFromEnvironment())
{
}

void ProgressBar::Start(size_t entries, uint64_t bytes)
{
    total = entries;
    bytesTotal = bytes;
    started = Clock::now();
    lastDraw = started - RedrawInterval;
}

void ProgressBar::Update(size_t done, uint64_t bytesDone)
{
    if (!active)
        return;
    const Clock::time_point now = Clock::now();
    if (now - started < delay || now - lastDraw < RedrawInterval)
        return;
    lastDraw = now;
    drawn = true;
    const double seconds = std::chrono::duration<double>(now - started).count();
    // Carriage return, the bar, then clear whatever a longer bar left.
    std::fprintf(stderr, "\r%s\x1b[K", Line(label, done, total, bytesDone, bytesTotal, seconds).c_str());
    std::fflush(stderr);
}

void ProgressBar::Finish()
{
    if (drawn)
    {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
        drawn = false;
    }
}

std::string ProgressBar::Line(const char* label, size_t done, size_t total, uint64_t bytesDone, uint64_t bytesTotal,
                              double seconds)
{
    const double fraction = bytesTotal ? static_cast<double>(bytesDone) / static_cast<double>(bytesTotal)
                                       : (total ? static_cast<double>(done) / static_cast<double>(total) : 1.0);
    const int filled = static_cast<int>(fraction * BarWidth + 0.5);
    std::string bar(static_cast<size_t>(filled < 0 ? 0 : filled > BarWidth ? BarWidth : filled), '#');
    bar.resize(BarWidth, '.');
    const double rate = seconds > 0 ? static_cast<double>(bytesDone) / seconds : 0;
    char counts[64];
    std::snprintf(counts, sizeof counts, "%zu/%zu entries", done, total);
    return std::string(label) + " [" + bar + "] " + counts + ", " + Bytes(static_cast<double>(bytesDone)) + " of " +
           Bytes(static_cast<double>(bytesTotal)) + ", " + Bytes(rate) + "/s";
}

std::string ProgressBar::Bytes(double bytes)
{
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4)
    {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit ? "%.1f %s" : "%.0f %s", bytes, units[unit]);
    return text;
}
} // namespace cli
