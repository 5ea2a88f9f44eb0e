// What the config compiler tells a caller about a compile in the current
// dialect (errors and warnings with their place), and the game-path mounts.
#pragma once

#include <string>
#include <vector>

// One finding of a compile: the file that holds it and its own line and
// column (1-based; 0 when unknown), the source line, and one note per macro
// expansion or include that led there, innermost first.
struct RapifyDiagnostic
{
    std::string file;
    int line = 0;
    int column = 0;
    bool warning = false;
    std::string message;
    std::string source;
    std::vector<std::string> notes;
};

// A folder whose files answer game paths that start with prefix (backslash
// separated, without a leading backslash; empty: every game path).
struct RapifyMount
{
    std::string prefix;
    std::string folder;
};

// The preprocessor a compile follows: the old one (the default) or the
// current game's.
enum class RapifyDialect : int
{
    Classic = 0,
    Current = 1
};
