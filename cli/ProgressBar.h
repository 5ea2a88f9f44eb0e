// The progress bar of long commands (extract, pack, patch): entries done of
// all, bytes and rate, redrawn on one line of standard error. It appears only
// when standard error is a terminal and the work has run long enough to
// notice (OSTREL_PROGRESS_DELAY milliseconds, 300 unless set).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace cli
{
class ProgressBar
{
public:
    // enabled: the caller wants a bar (not quiet, not verbose); it is shown
    // only on a terminal.
    ProgressBar(bool enabled, const char* label);
    ~ProgressBar() { Finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Start(size_t entries, uint64_t bytes);
    // The amount of work, when it is known only once the work has begun.
    void SetTotal(size_t entries, uint64_t bytes)
    {
        total = entries;
        bytesTotal = bytes;
    }
    // The text before the counts; it must stay valid while the bar is used.
    void SetLabel(const char* text) { label = text; }
    // Redraws at most ten times a second.
    void Update(size_t done, uint64_t bytesDone);
    // Clears the bar's line when one was drawn.
    void Finish();

    // The bar's text, without the line control characters.
    static std::string Line(const char* label, size_t done, size_t total, uint64_t bytesDone, uint64_t bytesTotal,
                            double seconds);
    // 1536 gives "1.5 KiB".
    static std::string Bytes(double bytes);

private:
    using Clock = std::chrono::steady_clock;

    bool active;
    bool drawn = false;
    const char* label;
    size_t total = 0;
    uint64_t bytesTotal = 0;
    Clock::time_point started;
    Clock::time_point lastDraw;
    std::chrono::milliseconds delay;
};
} // namespace cli
