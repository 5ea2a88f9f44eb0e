// Compiler-style diagnostics of the config compiler for the ostrel tool:
// "FILE:LINE: error: MESSAGE" naming the file that holds the error (an
// included one where it lies there) and its own line, with the scanner's
// finding or the limit that stopped the compile added.
#pragma once

#include <string>

class Rapify;

namespace cli
{
// The diagnostic line (with its line end) of a failed compile of path.
std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code);
// The diagnostic line of a failed write of the compiled tree to output.
std::string OutputDiagnostic(const Rapify& compiler, const std::string& output, int code);
} // namespace cli
