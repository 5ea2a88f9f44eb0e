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

// What the compiler adds to its code's message: the limit reached, or the
// entry the layout cannot hold.
std::string LimitNote(const Rapify& compiler)
{
    const char* limit = compiler.GetLimitText();
    if (!limit)
        return "";
    std::string note = std::string(" (limit reached: ") + limit;
    if (std::string(limit).find("inline layout") != std::string::npos)
        note = std::string(" (") + limit + "; --layout arma writes it";
    return note + ")";
}
} // namespace

std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code)
{
    std::string line = compiler.GetCurrentFile() && *compiler.GetCurrentFile() ? compiler.GetCurrentFile() : path;
#if !defined(_WIN32)
    for (char& c : line)
    {
        if (c == '\\')
            c = '/';
    }
#endif
    if (compiler.GetCurrentLine() > 0)
        line += ":" + std::to_string(compiler.GetCurrentLine());
    line += std::string(": error: ") + Rapify::ErrString(code);
    const int token = compiler.GetReturnedToken();
    if (token != code && IsScannerFinding(token))
        line += std::string(" (") + Rapify::ErrString(token) + ")";
    return line + LimitNote(compiler) + "\n";
}

std::string OutputDiagnostic(const Rapify& compiler, const std::string& output, int code)
{
    return output + ": error: " + Rapify::ErrString(code) + LimitNote(compiler) + "\n";
}
} // namespace cli
