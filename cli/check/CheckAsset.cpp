// ostrel check on assets: each inspector reads the file and reports through
// its callback (the animation and font readers, which have none, through a
// summary line); the report is kept for -v and the result code decides.

#include <memory>

#include "Checkers.h"
#include "inspect/DeFxy.h"
#include "inspect/DeP3d.h"
#include "inspect/DePac.h"
#include "inspect/DeRtm.h"
#include "inspect/DeWrp.h"

namespace cli
{
namespace
{
template <typename Inspector>
int OpenWithReport(Inspector& inspector, const std::string& path)
{
    return inspector.Open(path.c_str(), CollectReport);
}

int OpenWithReport(DeRtm& animation, const std::string& path)
{
    const int code = animation.Open(path.c_str());
    if (code == 0)
        CollectReport("%d frames, %d pictures\n", animation.GetFrameCount(), animation.GetPictureCount());
    return code;
}

int OpenWithReport(DeFxy& font, const std::string& path)
{
    const int code = font.Open(path.c_str());
    if (code == 0)
        CollectReport("%lu characters\n", DeFxy::EntryCount);
    return code;
}

// One inspector run: open with the collecting callback, then the result.
template <typename Inspector>
CheckResult Inspect(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<Inspector> inspector(new Inspector);
    TakeReport();
    const int code = OpenWithReport(*inspector, path);
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

CheckResult CheckWorld(const std::string& path)
{
    return Inspect<DeWrp>(path);
}

CheckResult CheckAnimation(const std::string& path)
{
    return Inspect<DeRtm>(path);
}

CheckResult CheckFont(const std::string& path)
{
    return Inspect<DeFxy>(path);
}
} // namespace cli
