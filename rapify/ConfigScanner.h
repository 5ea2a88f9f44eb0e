// Front end of the config compiler: reads config text line by line, strips
// comments, joins continued lines, splices #include files, re-scans macro
// expansions and cuts the text into tokens for the parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "../frame/DataStream.h"
#include "../frame/Progress.h"

class DefineTable;
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
    // The file the read position lies in (the top file, or the innermost open
    // #include) and the lines read of it; lines of the files it included
    // are not its own.
    const char* CurrentFile() const { return files.empty() ? nullptr : files.back().name.c_str(); }
    int CurrentLine() const { return files.empty() ? 0 : files.back().line; }
    // What stopped the compile or the output beyond its code: a limit
    // reached, or an entry the layout cannot hold; empty when nothing did.
    const std::string& StopReason() const { return stopReason; }
    void SetStopReason(const std::string& reason) { stopReason = reason; }
    // The compile's budget of expanded and included text was passed.
    bool OverBudget() const { return overBudget; }
    // Names the top file of a compile, before its first line is read; the
    // file and line where a compile stopped are kept after it ends.
    void SetTopFile(const char* path);
    int LastCode() const { return lastCode; }
    // Where the last token starts in the line that holds it (blanks before
    // the line taken off), or -1 when it came from a macro or is unknown.
    long TokenColumn() const
    {
        return stack.empty() && tokenStart && line && tokenStart >= line && tokenStart <= lineEnd ? tokenStart - line
                                                                                                  : -1;
    }
    int LineCapacity() const { return lineCapacity; }
    void SetCallback(ProgressCallback cb) { callback = SilentProgress::Select(cb); }
    ProgressCallback Callback() const { return callback; }
    void SetDefines(DefineTable* table) { defines = table; }
    DefineTable* Defines() const { return defines; }
    DataStream& Stream() { return stream; }
    // Plain text (already preprocessed): no comments, ';' comment lines or
    // continued lines are looked for.
    void SetPlain(bool on) { plain = on; }
    bool Plain() const { return plain; }

    // Bounds on what one compile may do: macro texts expanded from one
    // another, expansions in all, nested #include files, #include files in all.
    static constexpr int MaxExpansionDepth = 256;
    static constexpr long MaxExpansions = 1000000;
    static constexpr int MaxIncludeDepth = 32;
    static constexpr int MaxIncludes = 10000;
    // The text one compile may read besides its sources (macro expansions
    // and included texts, each time they are read) is bounded by what its
    // sources hold: each distinct file once, however often it is included.
    static constexpr uint64_t BudgetPerSourceByte = 64;
    static constexpr uint64_t BudgetBase = 64u << 20;

private:
    struct PushedText
    {
        char* saved;    // position in the enclosing text
        char* copy;     // owned copy of the expansion
        char* end;      // its terminating zero byte
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
    bool JoinNextString(char*& out);
    bool PushText(const char* text);
    // Counts length bytes of text read besides the sources; false (with the
    // reason kept) once the compile's budget is passed.
    bool Spend(size_t length);
    // Counts a file's bytes as a source the first time it is read.
    void AddSource(const std::string& name, size_t length);
    void PopText();
    void PopAll();
    void ReleaseBuffers();
    void PassIncludeEnds();
    bool SpliceInput(const char* included, const std::string& name);
    bool ApplyPragma(const char* word, int32_t* layout);

    DataStream stream;
    ProgressCallback callback = &SilentProgress::Callback;
    char* token = nullptr;
    bool defaultEolIsSemicolon = true;
    int32_t lineCount = 0;
    bool quoted = false;
    DefineTable* defines = nullptr;
    RazDLL* archive = nullptr;
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

    char* lineEnd = nullptr;                 // terminating zero of the current line
    size_t lineLength = 0;                   // characters of the line ReadCleanLine gave
    char* tokenStart = nullptr;              // first character of the last token
    size_t inputLength = 0;                  // bytes of input before its zero byte
    long expansions = 0;                     // macro texts pushed in this compile
    int includes = 0;                        // #include files spliced in this compile
    uint64_t sourceBytes = 0;                // bytes of the distinct sources read
    uint64_t spentBytes = 0;                 // bytes read besides them
    std::unordered_set<std::string> sources; // the distinct included files, by name
    bool overBudget = false;                 // the budget stopped the compile
    bool plain = false;                      // the text is already preprocessed
    std::string stopReason;
    // The top file and each open #include, innermost last. For an include:
    // the offsets into input where its text ends and where the line end
    // added after it ends (the end of its part of the input). Their number
    // less one is the include depth at the read position.
    struct OpenFile
    {
        std::string name;
        int line;
        size_t textEnd;
        size_t end;
    };
    std::vector<OpenFile> files;
};
