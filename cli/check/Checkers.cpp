// The checker table of ostrel check, and the per-thread collection of the
// report lines the library hands to its callback.

#include "Checkers.h"

#include <cstdarg>
#include <cstdio>

#include "cli/ConfigText.h"
#include "frame/Text.h"

namespace cli
{
namespace
{
thread_local std::string collected;
} // namespace

const std::vector<Checker>& Checkers()
{
    static const std::vector<Checker> checkers = {
        {"script", {".sqs"}, CheckScript},
        {"config", {".cpp", ".hpp", ".sqm", ".ext", ".rvmat"}, CheckConfig},
        {"texture", {".paa", ".pac"}, CheckTexture},
        {"model", {".p3d"}, CheckModel},
        {"world", {".wrp"}, CheckWorld},
        {"animation", {".rtm"}, CheckAnimation},
        {"font", {".fxy"}, CheckFont},
        {"archive", {".pbo"}, CheckArchive},
        {"binarised config", {}, CheckBinarisedConfig},
    };
    return checkers;
}

const Checker* CheckerFor(const std::string& path)
{
    if (HasConfigSignature(path))
    {
        for (const Checker& checker : Checkers())
        {
            if (checker.check == CheckBinarisedConfig)
                return &checker;
        }
    }
    const std::string extension = text::LowerExtension(path);
    for (const Checker& checker : Checkers())
    {
        for (const char* known : checker.extensions)
        {
            if (extension == known)
                return &checker;
        }
    }
    return nullptr;
}

bool CollectReport(const char* format, ...)
{
    va_list values;
    va_start(values, format);
    va_list again;
    va_copy(again, values);
    char small[512];
    const int length = std::vsnprintf(small, sizeof small, format, values);
    if (length >= 0 && static_cast<size_t>(length) < sizeof small)
        collected.append(small, static_cast<size_t>(length));
    else if (length >= 0)
    {
        std::string large(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(&large[0], large.size(), format, again);
        collected.append(large.data(), static_cast<size_t>(length));
    }
    va_end(again);
    va_end(values);
    return true;
}

std::string TakeReport()
{
    std::string report;
    report.swap(collected);
    return report;
}
} // namespace cli
