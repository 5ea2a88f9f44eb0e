// The compiler's class tree: one node per class, value, array, array element
// or declaration. Built by the parser, read by the binary writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ConfigScanner;

// What a tree node is. The numbers are those the binary writer keys on.
enum class EntryKind : int32_t
{
    Unset = -1,      // created, statement not yet complete (only during a failed parse)
    Class = 0,       // class with a body: child list = entries
    Array = 2,       // array: child list = elements
    ExternClass = 3, // class declared without a body
    DeleteClass = 4, // written as a delete entry
    ArrayAppend = 5, // name[] += {...}: as an array, elements added to the inherited one
    String = 256,    // string value
    Float = 257,     // floating-point value (text as read)
    Integer = 258    // integer value (text as read)
};

// Blocks from which the nodes below a root, and their texts, are carved; all
// are released at once with the arena. Measured on the 10 MB benchmark
// config (compile alone, best of paired runs): with a node and two C-allocator
// texts per statement, each freed on its own, 71-93 ms; carved from blocks,
// 56 ms (freeing the small blocks one by one, and the heap consolidating
// them, was a quarter of the compile's profile).
class ClassArena
{
public:
    ClassArena() = default;
    ~ClassArena();
    ClassArena(const ClassArena&) = delete;
    ClassArena& operator=(const ClassArena&) = delete;

    // bytes aligned for any node, or null when no block can be had.
    void* Allocate(size_t bytes);

    static constexpr size_t BlockBytes = 64 * 1024;

private:
    std::vector<void*> blocks;
    char* next = nullptr;
    size_t left = 0;
};

// One node of the class tree. A node made with new owns its texts (C-allocator
// blocks), its child list and the rest of its sibling list (next); freeing
// walks sibling lists in a loop, so only the nesting depth drives recursion.
// The nodes it appends, with their texts and everything below them, are
// carved from an arena that it owns and frees with itself.
class Classes
{
public:
    explicit Classes(ConfigScanner* source);
    ~Classes();
    Classes(const Classes&) = delete;
    Classes& operator=(const Classes&) = delete;

    // Frees a sibling list node by node (each node with its children).
    static void FreeList(Classes* first);

    // Parse operations, each reading from scanner. Results are the compiler's
    // codes (0 success). folder is where #include resolves on disk; layout is
    // given at file level only (null in nested bodies); depth counts nested
    // bodies and arrays.
    int ParseBody(const char* folder, int32_t* layout, int depth);
    int ParseClass(const char* folder, int depth);
    int ParseStatement(const char* word);
    int ParseArray(bool nested, int depth);
    // Stores a copy of value and types it (String, Float or Integer); 1 when
    // the copy fails.
    int SetValue(const char* value);
    // A new Unset node linked at the end of the child list, or null.
    Classes* AppendChild();

    // Deepest nesting of class bodies and arrays the parser accepts.
    static constexpr int MaxDepth = 200;

    EntryKind kind = EntryKind::Unset;
    char* name = nullptr;     // class, value, array or declaration name; null for array elements
    char* text = nullptr;     // class: inherited class or null; value or element: text as read
    Classes* next = nullptr;  // next node of the same body or array, source order
    Classes* child = nullptr; // first entry of a body, first element of an array
    ConfigScanner* scanner;   // where the parse operations read from (not owned)

private:
    // A copy of text: from the arena for a carved node, else the C allocator.
    char* CopyText(const char* text) const;

    Classes* lastChild = nullptr; // end of the child list, so appending is constant time
    ClassArena* arena = nullptr;  // where appended nodes come from (null until the first)
    bool carved = false;          // this node lies in an arena: it owns nothing
    bool ownsArena = false;
};
