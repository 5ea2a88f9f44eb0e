// Script command table: the value types of the script language and one row
// per command, function, constant and operator word the script checker knows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../frame/Export.h"

// Value types are bit sets; 0 means none (no front, no argument, no result).
typedef uint32_t SqsType;
enum SqsTypeBits : SqsType
{
    SqsNone = 0,
    SqsArray = 0x01,
    SqsNumber = 0x02,
    SqsObject = 0x04,
    SqsBoolean = 0x08,
    SqsString = 0x10, // quoted text and {...} code blocks
    SqsAny = 0x1f,
    SqsMayBeAbsent = 0x20 // front column only: the front operand may be missing
};

// Equal, or sharing at least one bit (so none is compatible only with none).
inline bool SqsCompatible(SqsType a, SqsType b)
{
    return a == b || (a & b) != 0;
}

struct SqsCommand
{
    // 0 for words, 1 to 3 for operators written with symbols. The checker
    // binds binary words by the levels of its own grammar table instead (or
    // 1, and 2, comparisons 3, other words 4, else 5, + - 6, * / % 7, ^ 8).
    int32_t precedence;
    uint32_t identifier; // non-zero; a row whose identifier is 0 ends the table
    const char* name;    // the word as written in scripts
    SqsType result;      // type the word yields
    SqsType front;       // type required in front of the word; with the
                         // may-be-absent bit the word may also begin a value
    SqsType argument;    // type required after the word
};

// The rows in table order, ended by a row whose identifier is 0.
OSTREL_API const SqsCommand* SqsCommandTable();
// Number of rows before the terminating one.
OSTREL_API size_t SqsCommandCount();

// The first row, in table order, whose name equals word ignoring ASCII letter
// case; null when there is none. Answered from a hashed index of the table.
OSTREL_API const SqsCommand* FindCommand(const char* word);
OSTREL_API const SqsCommand* FindCommand(const char* word, size_t length);
