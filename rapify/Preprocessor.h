// The current game's config preprocessor: conditionals, redefinable macros
// with argument expansion before # and ##, game-path includes over mounts,
// built-in macros and __EXEC/__EVAL arithmetic; text in, plain text out.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigScanner.h"
#include "NameIndex.h"
#include "RapifyDiagnostic.h"

class RazDLL;

class ConfigPreprocessor
{
public:
    // Where an output line came from: an index into Files() and its line;
    // offset is where the output line starts in the expansion of that
    // (logical) line, anchors the range of Anchors() that maps it back.
    struct Origin
    {
        int file;
        int line;
        uint32_t offset = 0;
        uint32_t firstAnchor = 0;
        uint32_t endAnchor = 0;
    };
    // From this place in a line's expansion on, the text came from source
    // (an offset in the logical source line): copied from there when
    // verbatim, else made by the macro or built-in named there.
    struct Anchor
    {
        uint32_t out;
        uint32_t source;
        bool verbatim;
    };

    explicit ConfigPreprocessor(const std::vector<RapifyMount>& mounts) : mounts(mounts) {}

    // Preprocesses text, the content of the file at path (may be relative;
    // includes resolve beside it). A compiler code: 0, or the code of the
    // failure (its diagnostic is the last one).
    int Run(const char* text, const std::string& path, std::string& out);
    // Includes read the entries of this aggregate's open archive instead of
    // the disk (null: the disk).
    void SetArchive(RazDLL* dll) { archive = dll; }

    const std::vector<RapifyDiagnostic>& Diagnostics() const { return diagnostics; }
    const std::vector<Origin>& Origins() const { return origins; }
    const std::vector<std::string>& Files() const { return fileNames; }
    // Game paths looked up on disk and not found in any letter case.
    const std::vector<std::string>& Missed() const { return missed; }
    // Date, time and random built-ins from this moment (seconds since 1970,
    // taken as UTC) and a generator seeded with it; negative: the clock. The
    // generator is the object's own, so compiles on several threads never
    // share it.
    void SetFixedTime(int64_t seconds)
    {
        fixedTime = seconds;
        randomState = static_cast<uint32_t>(seconds);
    }
    // Maps a place in output line index (0-based) back to its source: the
    // logical source line (comments removed, continued lines joined) and the
    // 1-based column in it (0 when unknown).
    void SourcePlace(size_t index, size_t offset, std::string& source, int& column) const;

    // Bounds of one run: the include and text bounds are the old dialect's;
    // expansions count every macro name replaced, so their bound is higher.
    static constexpr int MaxExpansionDepth = ConfigScanner::MaxExpansionDepth;
    static constexpr long MaxExpansions = 4000000;
    static constexpr int MaxIncludeDepth = ConfigScanner::MaxIncludeDepth;
    static constexpr int MaxIncludes = ConfigScanner::MaxIncludes;
    static constexpr int MaxConditionDepth = 1000;
    static constexpr uint64_t BudgetPerSourceByte = ConfigScanner::BudgetPerSourceByte;
    static constexpr uint64_t BudgetBase = ConfigScanner::BudgetBase;
    // Longest expansion kept for reuse, and most macros it may have used.
    static constexpr size_t MaxKept = 256;
    static constexpr size_t MaxKeptUses = 32;

private:
    // A macro body cut once, when it is defined, into what an expansion
    // copies: literal text, an argument, an argument in quotes, or a join
    // that drops the blanks written before it.
    struct Piece
    {
        enum Kind : uint8_t
        {
            Text,
            Argument,
            Quoted,
            Join
        } kind;
        uint32_t argument; // Argument, Quoted: its index
        uint32_t offset;   // Text: its place in the macro's text
        uint32_t length;
    };
    struct Macro
    {
        std::string name;
        bool function = false;
        bool variadic = false; // the last argument slot takes the rest of the call
        std::vector<std::string> params;
        std::string body; // as written
        std::string text; // without parameters: what is read again; else the pieces' literal text
        std::vector<Piece> pieces;
        bool active = false; // being expanded: a use inside stays as it is
        // Without parameters: the last expansion, while no definition has
        // changed since (generation), none of the macros it used (uses) is
        // being expanded, and it met no built-in and no macro in expansion.
        uint64_t generation = 0;
        std::string expansion;
        std::vector<Macro*> uses;
        long expansions = 0; // macro names it replaced
        int depth = 0;       // levels it went below its own
    };
    // Buffers of one expansion depth, kept between calls for their capacity.
    struct Scratch
    {
        std::vector<size_t> bounds; // arguments in the call's text: start, end pairs
        std::vector<size_t> ends;   // end of each expanded argument in expanded
        std::string expanded;
        std::string result;
    };
    struct OpenFile
    {
        int index;             // into fileNames
        std::string disk;      // path on disk
        std::string game;      // game path (backslashes, no leading one)
        std::string inclusion; // "included from FILE:LINE" note, or empty
        bool entry = false;    // disk names an entry of the archive
    };

    int ProcessFile(const std::string& text, OpenFile& file);
    int Directive(const std::string& line, size_t hash, OpenFile& file, std::vector<int>& conditions);
    int Define(const std::string& line, size_t at);
    int Include(const std::string& spec, size_t column, OpenFile& file);
    int ReadIncluded(const std::string& name, const std::string& normal, const OpenFile& file, std::string& disk,
                     std::string& content);
    int Condition(const std::string& expr, size_t column, bool& value);
    int Cut(Macro& macro);
    bool Expand(std::string_view in, std::string& out, int depth);
    bool ExpandCall(Macro& macro, std::string_view in, size_t& i, std::string& out, int depth);
    bool ExpandKept(Macro& macro, std::string& out, int depth);
    bool Unwind(const Macro& macro);
    bool Builtin(const std::string& name, std::string_view in, size_t& i, std::string& out, int depth);
    bool Arithmetic(const std::string& name, std::string_view in, size_t& i, std::string& out, int depth);
    bool FindGamePath(const std::string& game, std::string& disk, bool& caseOnly);
    std::string GamePathOf(const std::string& disk) const;
    bool Inside(const std::string& disk) const;
    bool Spend(size_t bytes);
    // Notes that out[made, end) was made by what stood at source, and that
    // the text from end on is copied from next on.
    void Anchored(size_t made, size_t source, size_t end, size_t next);
    // Records an error (or a warning) at the current place; errors answer code.
    int Report(int code, const std::string& message, bool warning = false);

    const std::vector<RapifyMount>& mounts;
    NameIndex<Macro> macros;
    std::vector<std::unique_ptr<Scratch>> scratch; // one per expansion depth
    std::map<std::string, double> variables;       // assigned by __EXEC
    std::vector<RapifyDiagnostic> diagnostics;
    std::vector<Origin> origins;
    std::vector<std::string> fileNames;
    std::vector<std::string> missed;
    std::deque<std::string> texts; // each file's text as read, comments removed
    std::vector<Anchor> anchors;
    RazDLL* archive = nullptr;
    std::vector<OpenFile*> openFiles;
    size_t macroNotes = 0;          // "in expansion of" notes the last finding has
    std::vector<std::string> roots; // resolved folders includes may reach
    std::string* output = nullptr;
    std::string_view currentLine; // logical line being processed
    int lineNumber = 0;           // its first physical line
    size_t column = 0;            // 0-based place in it of what is being handled
    long expansions = 0;
    int includes = 0;
    int counter = 0;
    bool inCondition = false;
    bool anchoring = false; // a line's expansion is being mapped
    // What decides whether an expansion may be kept for the next use.
    uint64_t generation = 1;  // counts changes of the definitions
    long blocked = 0;         // uses of a macro met inside its own expansion
    long builtins = 0;        // built-ins met
    int deepest = 0;          // deepest expansion level reached
    int keeping = 0;          // expansions being kept that are under way
    std::vector<Macro*> used; // macros expanded while keeping
    int failure = 0;          // code of the error an expansion met
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
