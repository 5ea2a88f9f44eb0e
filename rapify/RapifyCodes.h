// Result codes of the config compiler, shared by scanner, macros, parser and
// writer (Rapify::ErrString holds their messages). Punctuation tokens are
// reported by their character codes.
#pragma once

enum RapifyCode : int
{
    RapifyOk = 0,
    RapifyNoMemory = 1,
    RapifyUnknownPacket = 2,
    RapifyUnknownArrayType = 3,
    RapifyCannotWrite = 4,
    RapifyUnexpectedBrace = 5,
    RapifyExpectedSemicolon = 6,
    RapifyEof = 7,
    RapifyMismatchedQuotes = 8,
    RapifyNoToken = 9,
    RapifyExpectedStatement = 10,
    RapifyExpectedClassName = 11,
    RapifyExpectedInheritOrBrace = 12,
    RapifyExpectedInheritLabel = 13,
    RapifyExpectedBraceAfterInherit = 14,
    RapifyExpectedArrayOrAssign = 15,
    RapifyExpectedAssign = 16,
    RapifyExpectedArrayBrace = 17,
    RapifyExpectedBracket = 18,
    RapifyExpectedValue = 19,
    RapifyExpectedArrayValue = 20,
    RapifyDefineBadLabel = 21,
    RapifyPragmaNotUnderstood = 22,
    RapifyDefineNoValue = 23,
    RapifyDefineNotInteger = 24,
    RapifyExpectedParenthesis = 25,
    RapifyNoDefineFound = 26,
    RapifyNotEnoughParameters = 27,
    RapifyNoEndParenthesis = 28,
    RapifyNoIncludeName = 29,
    RapifyCannotOpen = 30,
    RapifyCannotHandleHash = 31,
    RapifyCannotInclude = 32,
    RapifyNoClasses = 33
};
