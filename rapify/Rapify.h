// The config compiler: config text (with #define, #include and #pragma) to a
// class tree, and the tree to a binarised config file.
#pragma once

#include <cstdint>

#include "../frame/Export.h"
#include "../frame/Progress.h"
#include "EnumTable.h"

class Classes;
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

private:
    ConfigScanner* scanner;
    Classes* root = nullptr;
    int32_t layout = 0;
    EnumTable enums;
    int32_t startLayout = 0;
};
