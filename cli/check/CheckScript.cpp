// ostrel check on SQS scripts: the script checker, with the line of the
// first error counted from the raw lines it hands to its callback.

#include <cstdarg>
#include <cstring>
#include <memory>

#include "Checkers.h"
#include "sqs/DeSqs.h"

namespace cli
{
namespace
{
// Lines of the script seen by the checker on this thread. A line longer than
// the checker's buffer arrives in pieces; only a piece with the line end
// finishes a line.
struct LineCounter
{
    long finished = 0;
    long current = 0;
};
thread_local LineCounter lines;

bool CountLine(const char* format, ...)
{
    va_list values;
    va_start(values, format);
    const char* piece = std::strcmp(format, "%s") == 0 ? va_arg(values, const char*) : "";
    va_end(values);
    lines.current = lines.finished + 1;
    const size_t length = std::strlen(piece);
    if (length > 0 && piece[length - 1] == '\n')
        ++lines.finished;
    return true;
}
} // namespace

CheckResult CheckScript(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<DeSqs> checker(new DeSqs);
    lines = LineCounter();
    int code = checker->Open(path.c_str(), CountLine);
    if (code == 0)
        code = checker->Process();
    if (code != 0)
    {
        result.failed = true;
        const std::string where = lines.current > 0 ? path + ":" + std::to_string(lines.current) : path;
        result.diagnostics = where + ": error: " + checker->ErrorString(code) + "\n";
    }
    checker->Close();
    return result;
}
} // namespace cli
