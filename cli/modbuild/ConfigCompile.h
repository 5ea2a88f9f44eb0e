// One config file of an addon compiled for its archive: which files are
// compiled, under which entry name, and the compile itself in the current
// dialect over the mod's game-path mounts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rapify/RapifyDiagnostic.h"

namespace cli
{
namespace modbuild
{
// config.cpp, *.rvmat, *.ext, *.sqm, *.bikb and *.bisurf are compiled.
bool IsCompiledName(const std::string& entry);
// The entry name of the compiled form: config.cpp gives config.bin, the
// others keep theirs.
std::string CompiledName(const std::string& entry);
// The text asks for what only the game can answer (__has_include, __EXEC),
// so the game must read it as text.
bool NeedsText(const std::string& text);

struct CompileSetup
{
    const std::vector<RapifyMount>* mounts = nullptr;
    int64_t fixedTime = -1; // date and time built-ins; negative: the clock
};

enum class CompileResult
{
    Binary, // bytes holds the binarised config
    AsText, // packed as it is (already binarised, or NeedsText)
    Failed, // diagnostics holds the compiler's findings
    Interrupted
};

// Compiles the text of the file at path; scratch is a file name the compiled
// form may pass through (removed afterwards). sources gets the files the
// compile read besides path, missed those it looked for and did not find.
CompileResult CompileConfig(const std::string& path, const std::string& text, const std::string& scratch,
                            const CompileSetup& setup, std::vector<unsigned char>& bytes,
                            std::vector<std::string>& sources, std::vector<std::string>& missed,
                            std::string& diagnostics);
} // namespace modbuild
} // namespace cli
