// Binding levels of the script language's operators and the game version
// that introduced each word of the command table; internal to the checker.
#pragma once

#include <cstdint>

#include "SqsCommand.h"

// Games and versions, oldest first; a word is valid from its version on.
enum SqsVersion : uint8_t
{
    SqsFirstGame = 0, // the first game, 1.00
    SqsFirstGame134,
    SqsFirstGame175,
    SqsFirstGame185, // with the expansion
    SqsFirstGame199,
    SqsConsoleEdition, // the console edition, 1.00
    SqsSecondGame,     // 1.00
    SqsThirdGame,      // 1.00
    SqsThirdGame103
};

// Binary operators bind by level, higher tighter, all left-associative:
//   1 or ||   2 and &&   3 comparisons   4 other binary words   5 else
//   6 + - max min   7 * / % mod atan2 >>   8 ^
// Unary words bind tighter than every level.
struct SqsGrammar
{
    uint8_t level;
    SqsVersion since;
};

// The level and version of a row of SqsCommandTable().
const SqsGrammar& GrammarOf(const SqsCommand& row);

// The word's value may stand in front of it (binary use).
inline bool SqsTakesFront(const SqsCommand& row)
{
    return row.front != SqsNone;
}
// The word may also begin a value (unary or nular use).
inline bool SqsStartsValue(const SqsCommand& row)
{
    return row.front == SqsNone || (row.front & SqsMayBeAbsent) != 0;
}
