#pragma once

// Front end of the config compiler: reads config text line by line, strips
// comments, joins continued lines, splices #include files, re-scans macro
// expansions and cuts the text into tokens for the parser.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../frame/DataStream.h"
#include "../frame/Progress.h"

class DefineTable;
class Ostrel;
class RazDLL;

// How the parser asks for its next token.
enum class ScanMode : int
{
    Word = 0,         // names, keywords, punctuation, array elements
    StatementEnd = 1, // as Word, but a line end counts as ';'
    LineRest = 2,     // the raw rest of the line
    RawWord = 3,      // a word without macro expansion
    ValueText = 4     // the value after "name =": everything up to ';' or the line end
};

class ConfigScanner
{
public:
    ConfigScanner() = default;
    ~ConfigScanner();
    ConfigScanner(const ConfigScanner&) = delete;
    ConfigScanner& operator=(const ConfigScanner&) = delete;

    // Starts a compile of text (copied); with an aggregate, #include reads from
    // its archive. A null text only releases the buffers (end of a compile).
    // False when the copy cannot be made.
    bool Reset(const char* text, RazDLL* dll);
    // 0 with the token in Token(), a punctuation character code, or a scan
    // code (1, 7, 8, 9, 25, 27, 29).
    int NextToken(ScanMode mode);
    // A whole file plus a zero byte (C allocator, the caller's), or null when
    // it is missing or empty.
    char* LoadText(const char* path);
    // Splices the file named by an #include line in front of the unread input.
    bool IncludeFile(const char* spec, const char* folder);

    // Directives, carried out where the parser found their word. layout is
    // null inside class bodies (where pragmas are refused).
    int DefineDirective(int32_t* layout);
    int IncludeDirective(const char* folder);
    int PragmaDirective(int32_t* layout);

    char* Token() const { return token; }
    bool Quoted() const { return quoted; }
    int LineCount() const { return lineCount; }
    int LastCode() const { return lastCode; }
    int LineCapacity() const { return lineCapacity; }
    void SetCallback(ProgressCallback cb) { callback = SilentProgress::Select(cb); }
    ProgressCallback Callback() const { return callback; }
    void SetDefines(DefineTable* table) { defines = table; }
    DefineTable* Defines() const { return defines; }
    DataStream& Stream() { return stream; }

    // Bounds on what one compile may do: macro texts expanded from one
    // another, expansions in all, nested #include files, #include files in all.
    static constexpr int MaxExpansionDepth = 256;
    static constexpr long MaxExpansions = 1000000;
    static constexpr int MaxIncludeDepth = 32;
    static constexpr int MaxIncludes = 10000;

private:
    struct PushedText
    {
        char* saved;  // position in the enclosing text
        char* copy;   // owned copy of the expansion
        char* end;    // its terminating zero byte
        int generation; // expansions it took to get here from the source text
    };

    int ReadPhysicalLine();
    int ReadCleanLine();
    int ReadLogicalLine();
    bool StripComments();
    bool EnsureLine(size_t needed);
    bool EnsureToken(size_t needed);
    int ScanToken(ScanMode mode);
    int ScanQuoted();
    bool PushText(const char* text);
    void PopText();
    void PopAll();
    void ReleaseBuffers();
    void PassIncludeEnds();
    bool SpliceInput(const char* included);
    bool ApplyPragma(const char* word, int32_t* layout);

    DataStream stream;
    ProgressCallback callback = &SilentProgress::Callback;
    char* token = nullptr;
    bool defaultEolIsSemicolon = true;
    int32_t lineCount = 0;
    bool quoted = false;
    DefineTable* defines = nullptr;
    Ostrel* archive = nullptr;
    int32_t lineCapacity = 0;
    int32_t tokenCapacity = 0;
    int32_t lastCode = 0;
    bool inBlockComment = false;
    char* position = nullptr;
    bool eolIsSemicolon = true;
    int32_t stackDepth = 0;
    std::vector<PushedText> stack;
    char* line = nullptr;
    char* input = nullptr;
    char* inputPosition = nullptr;

    char* lineEnd = nullptr;      // terminating zero of the current line
    size_t inputLength = 0;       // bytes of input before its zero byte
    long expansions = 0;          // macro texts pushed in this compile
    int includes = 0;             // #include files spliced in this compile
    // Offsets into input where the text of each open #include ends, innermost
    // last; their number is the include depth at the read position.
    std::vector<size_t> includeEnds;
};
