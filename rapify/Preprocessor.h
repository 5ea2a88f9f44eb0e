// The current game's config preprocessor: conditionals, redefinable macros
// with argument expansion before # and ##, game-path includes over mounts,
// built-in macros and __EXEC/__EVAL arithmetic; text in, plain text out.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "ConfigScanner.h"
#include "RapifyDiagnostic.h"

class ConfigPreprocessor
{
public:
    // Where an output line came from: an index into Files() and its line.
    struct Origin
    {
        int file;
        int line;
    };

    explicit ConfigPreprocessor(const std::vector<RapifyMount>& mounts) : mounts(mounts) {}

    // Preprocesses text, the content of the file at path (may be relative;
    // includes resolve beside it). A compiler code: 0, or the code of the
    // failure (its diagnostic is the last one).
    int Run(const char* text, const std::string& path, std::string& out);

    const std::vector<RapifyDiagnostic>& Diagnostics() const { return diagnostics; }
    const std::vector<Origin>& Origins() const { return origins; }
    const std::vector<std::string>& Files() const { return fileNames; }
    // Date, time and random built-ins from this moment (seconds since 1970,
    // taken as UTC) and a generator seeded with it; negative: the clock. The
    // generator is the object's own, so compiles on several threads never
    // share it.
    void SetFixedTime(int64_t seconds)
    {
        fixedTime = seconds;
        randomState = static_cast<uint32_t>(seconds);
    }

    // Bounds of one run: the include and text bounds are the old dialect's;
    // expansions count every macro name replaced, so their bound is higher.
    static constexpr int MaxExpansionDepth = ConfigScanner::MaxExpansionDepth;
    static constexpr long MaxExpansions = 4000000;
    static constexpr int MaxIncludeDepth = ConfigScanner::MaxIncludeDepth;
    static constexpr int MaxIncludes = ConfigScanner::MaxIncludes;
    static constexpr int MaxConditionDepth = 1000;
    static constexpr uint64_t BudgetPerSourceByte = ConfigScanner::BudgetPerSourceByte;
    static constexpr uint64_t BudgetBase = ConfigScanner::BudgetBase;

private:
    struct Macro
    {
        bool function = false;
        std::vector<std::string> params;
        std::string body;
        bool active = false; // being expanded: a use inside stays as it is
    };
    struct OpenFile
    {
        int index;             // into fileNames
        std::string disk;      // path on disk
        std::string game;      // game path (backslashes, no leading one)
        std::string inclusion; // "included from FILE:LINE" note, or empty
    };

    int ProcessFile(const std::string& text, OpenFile& file);
    int Directive(const std::string& line, size_t hash, OpenFile& file, std::vector<int>& conditions);
    int Define(const std::string& line, size_t at);
    int Include(const std::string& spec, size_t column, OpenFile& file);
    int Condition(const std::string& expr, size_t column, bool& value);
    bool Expand(const std::string& in, std::string& out, int depth);
    bool ExpandCall(const std::string& name, Macro& macro, const std::string& in, size_t& i, std::string& out,
                    int depth);
    bool Builtin(const std::string& name, const std::string& in, size_t& i, std::string& out, int depth);
    bool Arithmetic(const std::string& name, const std::string& in, size_t& i, std::string& out, int depth);
    bool FindGamePath(const std::string& game, std::string& disk, bool& caseOnly);
    std::string GamePathOf(const std::string& disk) const;
    bool Inside(const std::string& disk) const;
    bool Spend(size_t bytes);
    // Records an error (or a warning) at the current place; errors answer code.
    int Report(int code, const std::string& message, bool warning = false);

    const std::vector<RapifyMount>& mounts;
    std::unordered_map<std::string, Macro> macros;
    std::map<std::string, double> variables; // assigned by __EXEC
    std::vector<RapifyDiagnostic> diagnostics;
    std::vector<Origin> origins;
    std::vector<std::string> fileNames;
    std::vector<OpenFile*> openFiles;
    std::vector<std::string> expansionNotes; // macros being expanded, outermost first
    std::vector<std::string> roots;          // resolved folders includes may reach
    std::string* output = nullptr;
    std::string currentLine; // logical line being processed
    int lineNumber = 0;      // its first physical line
    size_t column = 0;       // 0-based place in it of what is being handled
    long expansions = 0;
    int includes = 0;
    int counter = 0;
    bool inCondition = false;
    int failure = 0; // code of the error an expansion met
    uint64_t sourceBytes = 0;
    uint64_t spentBytes = 0;
    int64_t fixedTime = -1;
    uint32_t randomState = 1;
    int NextRandom()
    {
        randomState = randomState * 1103515245u + 12345u;
        return static_cast<int>((randomState >> 16) & 0x7fff);
    }
};
