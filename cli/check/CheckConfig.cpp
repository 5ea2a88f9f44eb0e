// ostrel check on configs (config.cpp, mission.sqm, description.ext and
// included .hpp files): compiled to check them, nothing written.

#include <memory>

#include "Checkers.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Interrupt.h"
#include "rapify/Rapify.h"

namespace cli
{
namespace
{
ConfigCheckOptions configOptions;
} // namespace

void SetConfigCheckOptions(const ConfigCheckOptions& options)
{
    configOptions = options;
}

CheckResult CheckConfig(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<Rapify> compiler(new Rapify);
    if (!configOptions.classic)
    {
        compiler->SetDialect(RapifyDialect::Current);
        MountFor(*compiler, path, configOptions.includes);
    }
    const int code = compiler->ProcessFile(path.c_str(), interrupt::KeepGoing);
    result.failed = code != 0;
    if (configOptions.json && !compiler->GetDiagnostics().empty())
        result.diagnostics = DiagnosticJson(*compiler);
    else if (!configOptions.classic)
        result.diagnostics = DiagnosticText(*compiler);
    else if (code != 0)
        result.diagnostics = CompileDiagnostic(*compiler, path, code);
    return result;
}
} // namespace cli
