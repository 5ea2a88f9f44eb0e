// ostrel check on configs (config.cpp, mission.sqm, description.ext and
// included .hpp files): compiled to check them, nothing written.

#include <memory>

#include "Checkers.h"
#include "cli/ConfigDiagnostics.h"
#include "cli/Interrupt.h"
#include "rapify/Rapify.h"

namespace cli
{
CheckResult CheckConfig(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<Rapify> compiler(new Rapify);
    const int code = compiler->ProcessFile(path.c_str(), interrupt::KeepGoing);
    if (code != 0)
    {
        result.failed = true;
        result.diagnostics = CompileDiagnostic(*compiler, path, code);
    }
    return result;
}
} // namespace cli
