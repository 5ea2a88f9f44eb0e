#pragma once

// Compiler-style diagnostics of the config compiler for the ostrel tool:
// "FILE:LINE: error: MESSAGE", with the scanner's own finding added when it
// is what stopped the compile.

#include <string>

class Rapify;

namespace cli
{
// The diagnostic line (with its line end) of a failed compile of path.
std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code);
} // namespace cli
