// The config compiler: config text (with #define, #include and #pragma) to a
// class tree, and the tree to a binarised config file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../frame/Export.h"
#include "../frame/Progress.h"
#include "EnumTable.h"
#include "RapifyDiagnostic.h"

class Classes;
class ConfigPreprocessor;
class ConfigScanner;
class RazDLL;

class OSTREL_API Rapify
{
public:
    Rapify();
    ~Rapify();
    Rapify(const Rapify&) = delete;
    Rapify& operator=(const Rapify&) = delete;

    // Frees the tree; there is none afterwards.
    void Clear();
    // Compiles a config file. RapifyCannotOpen when it is missing or cannot
    // be read; an empty file compiles to a root without entries.
    int ProcessFile(const char* path, ProgressCallback callback);
    // Compiles text held in memory; path names its source (the root class is
    // named after its last component, #include resolves in its folder). With
    // an aggregate, #include reads from that aggregate's open archive.
    int ProcessBuffer(const char* text, const char* path, ProgressCallback callback, RazDLL* dll);
    // Writes the tree of the last successful compile as a binarised config;
    // forceBinary turns the inline layout into the Arma layout. RapifyOk, or
    // RapifyNoClasses without a tree, RapifyNoMemory, or the writer's codes
    // (RapifyUnknownPacket, RapifyUnknownArrayType, RapifyCannotWrite).
    int Output(const char* path, bool forceBinary);

    // First class among the root's entries named name (ASCII case ignored).
    Classes* FindClass(const char* name) const;
    // The root of the tree, or null when there is none.
    Classes* GetFirstEntry() const;
    // Message of a compiler code (RapifyCodes.h).
    static const char* ErrString(int code);

    // Physical lines read by the last or current compile.
    int LineCount() const;
    // Current token while a compile runs (for example inside the callback);
    // null afterwards.
    char* GetReadToken() const;
    // Last scan result; survives the end of the compile.
    int GetReturnedToken() const;

    // Output layout the source chose: 0 inline, 1 Arma, 2 Xbox.
    int32_t GetLayout() const { return layout; }
    // Layout every later compile starts from (0 unless set); a #pragma in the
    // source may still change it, GetLayout tells what the compile chose.
    void SetLayout(int32_t start) { startLayout = start; }
    // Where the last or current compile stopped: the file being read (the
    // included file when it lies in one, else the top file) and the line of
    // that file. Null and 0 before the first compile.
    const char* GetCurrentFile() const;
    int GetCurrentLine() const;
    // What stopped the last compile or Output beyond its code's message (a
    // limit reached, an entry the layout cannot hold), or null.
    const char* GetLimitText() const;
    // Enumerators of the last compile.
    const EnumTable& GetEnumTable() const { return enums; }
    // Callback the last compile installed (the silent one before any compile).
    ProgressCallback GetCallback() const;

    // The preprocessor of every later compile. Classic (the default): the
    // old one, #define (first definition wins), #include beside the top
    // file, #pragma. Current: the current game's, with #undef, #ifdef,
    // #ifndef, #if, #else, #endif, macros expanded inside their arguments
    // before # and ##, game-path #include over the mounts, built-in macros
    // and __EXEC/__EVAL arithmetic; its findings are kept as diagnostics.
    void SetDialect(RapifyDialect chosen) { dialect = chosen; }
    RapifyDialect GetDialect() const { return dialect; }
    // Game paths (\prefix\path) that #include may name in the current
    // dialect: the folder answers paths below prefix. Mounts are tried in the
    // order they were added.
    void AddMount(const char* prefix, const char* folder);
    // Mounts every folder at or under root that holds a prefix file at its
    // prefix, then root itself for every other game path (its files at
    // their paths relative to it). The number of prefixed folders mounted.
    int AddMountTree(const char* root);
    void ClearMounts() { mounts.clear(); }
    const std::vector<RapifyMount>& GetMounts() const { return mounts; }
    // Findings of the last compile in the current dialect (errors and
    // warnings, in the order met); empty after a classic compile.
    const std::vector<RapifyDiagnostic>& GetDiagnostics() const { return diagnostics; }
    // Runs only the current dialect's preprocessor over text (path as for
    // ProcessBuffer); the result is GetPreprocessedText, the findings
    // GetDiagnostics. A compiler code.
    int PreprocessBuffer(const char* text, const char* path);
    // The last compile's text after the current dialect's preprocessor.
    const std::string& GetPreprocessedText() const { return preprocessed; }
    // The files the last compile in the current dialect read: the top file
    // first, then every included one as its path was resolved.
    const std::vector<std::string>& GetSourceFiles() const { return sourceFiles; }
    // Files the last compile looked for by game path and did not find.
    const std::vector<std::string>& GetMissedFiles() const { return missedFiles; }
    // Date, time and random built-ins of later compiles from this moment
    // (seconds since 1970, UTC) instead of the clock; negative: the clock.
    void SetFixedTime(int64_t seconds) { fixedTime = seconds; }

private:
    int ProcessCurrent(const char* text, const char* path, ProgressCallback callback, RazDLL* dll);
    int ProcessClassic(const char* text, const char* path, ProgressCallback callback, RazDLL* dll);
    void PlaceFinding(const ConfigPreprocessor& preprocessor, size_t index, RapifyDiagnostic& finding) const;

    ConfigScanner* scanner;
    Classes* root = nullptr;
    int32_t layout = 0;
    EnumTable enums;
    int32_t startLayout = 0;
    RapifyDialect dialect = RapifyDialect::Classic;
    std::vector<RapifyMount> mounts;
    std::vector<RapifyDiagnostic> diagnostics;
    std::string preprocessed;
    std::vector<std::string> sourceFiles;
    std::vector<std::string> missedFiles;
    int64_t fixedTime = -1;
    std::string stopFile; // where a current-dialect compile stopped
    int stopLine = 0;
    long stopColumn = -1; // where the parser's last token started in its line
    bool mapped = false;
};
