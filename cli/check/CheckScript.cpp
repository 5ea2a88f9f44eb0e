// ostrel check on SQS scripts: the script checker going on after errors, so
// every failing line is reported with its number.

#include <memory>

#include "Checkers.h"
#include "sqs/DeSqs.h"

namespace cli
{
namespace
{
struct ScriptReport
{
    const std::string* path;
    CheckResult* result;
};

void AddFailingLine(void* context, long line, int, const char* message)
{
    ScriptReport& report = *static_cast<ScriptReport*>(context);
    report.result->diagnostics += *report.path + ":" + std::to_string(line) + ": error: " + message + "\n";
    report.result->findings.push_back({line, message});
}
} // namespace

CheckResult CheckScript(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<DeSqs> checker(new DeSqs);
    ScriptReport report = {&path, &result};
    checker->ReportEveryError(AddFailingLine, &report);
    const int code = checker->Open(path.c_str(), nullptr);
    if (code != 0)
    {
        result.diagnostics = path + ": error: " + checker->ErrorString(code) + "\n";
        result.findings.push_back({0, checker->ErrorString(code)});
    }
    else
        checker->Process(); // every failing line went to AddFailingLine
    checker->Close();
    result.failed = !result.findings.empty();
    return result;
}
} // namespace cli
