// Compiler-style diagnostics of the config compiler.

#include "ConfigDiagnostics.h"

#include "rapify/Rapify.h"

namespace cli
{
namespace
{
// Scanner results that explain the parser's code: end of input, mismatched
// quotes, no token, and the macro expansion failures.
bool IsScannerFinding(int token)
{
    return token == 7 || token == 8 || token == 9 || token == 25 || token == 27;
}
} // namespace

std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code)
{
    std::string line = path;
    if (compiler.LineCount() > 0)
        line += ":" + std::to_string(compiler.LineCount());
    line += std::string(": error: ") + Rapify::ErrString(code);
    const int token = compiler.GetReturnedToken();
    if (token != code && IsScannerFinding(token))
        line += std::string(" (") + Rapify::ErrString(token) + ")";
    return line + "\n";
}
} // namespace cli
