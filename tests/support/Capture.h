// A progress callback that records its lines, for tests.
#pragma once

#include <string>
#include <vector>

namespace testsupport
{
// A progress callback that records every formatted line. Answers true until
// the number of calls reaches the cut-off (when one is set).
struct Capture
{
    static std::vector<std::string> lines;
    static int answerFalseAt; // 1-based call number that answers false; 0 = never
    static void Reset(int falseAt = 0)
    {
        lines.clear();
        answerFalseAt = falseAt;
    }
    static std::string Joined();
    static bool Callback(const char* format, ...);
};
} // namespace testsupport
