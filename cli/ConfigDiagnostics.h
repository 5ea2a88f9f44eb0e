// Compiler-style diagnostics of the config compiler for the ostrel tool:
// "FILE:LINE: error: MESSAGE" naming the file that holds the error (an
// included one where it lies there) and its own line, with the scanner's
// finding or the limit that stopped the compile added.
#pragma once

#include <string>
#include <vector>

class Rapify;

namespace cli
{
// The diagnostic line (with its line end) of a failed compile of path.
std::string CompileDiagnostic(const Rapify& compiler, const std::string& path, int code);
// The diagnostic line of a failed write of the compiled tree to output.
std::string OutputDiagnostic(const Rapify& compiler, const std::string& output, int code);
// Findings of a compile in the current dialect, one block each:
// "FILE:LINE:COLUMN: error: MESSAGE", the source line and a caret under the
// column, then one "note: " line per macro expansion or include that led
// there.
std::string DiagnosticText(const Rapify& compiler);
// The same findings as a JSON array of objects (file, line, column,
// severity, message, notes), with a line end.
std::string DiagnosticJson(const Rapify& compiler);
// Mounts the game paths for compiling file: every folder of includes, or,
// without any, the nearest folder at or above the file's that holds an
// addons folder, and its include folder.
void MountFor(Rapify& compiler, const std::string& file, const std::vector<std::string>& includes);
} // namespace cli
