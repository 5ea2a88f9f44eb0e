// ostrel check on assets: each inspector reads the file and reports through
// its callback; the report is kept for -v and the result code decides.

#include <memory>

#include "Checkers.h"
#include "inspect/DeP3d.h"
#include "inspect/DePac.h"

namespace cli
{
namespace
{
// One inspector run: open with the collecting callback, then the result.
template <typename Inspector>
CheckResult Inspect(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<Inspector> inspector(new Inspector);
    TakeReport();
    const int code = inspector->Open(path.c_str(), CollectReport);
    result.report = TakeReport();
    if (code != 0)
    {
        result.failed = true;
        result.diagnostics = path + ": error: " + Inspector::ErrorString(static_cast<unsigned char>(code)) + "\n";
    }
    inspector->Close();
    return result;
}
} // namespace

CheckResult CheckTexture(const std::string& path)
{
    return Inspect<DePac>(path);
}

CheckResult CheckModel(const std::string& path)
{
    return Inspect<DeP3d>(path);
}
} // namespace cli
