// A progress callback that records its lines, for tests.

#include "Capture.h"

#include <cstdarg>
#include <cstdio>

namespace testsupport
{
std::vector<std::string> Capture::lines;
int Capture::answerFalseAt = 0;

std::string Capture::Joined()
{
    std::string all;
    for (const std::string& line : lines)
        all += line;
    return all;
}

bool Capture::Callback(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(&line[0], line.size() + 1, format, args);
    va_end(args);
    lines.push_back(line);
    return answerFalseAt == 0 || static_cast<int>(lines.size()) != answerFalseAt;
}
} // namespace testsupport
