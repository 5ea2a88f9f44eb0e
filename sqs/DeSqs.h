// Checker of line-oriented mission scripts (.sqs): syntax and value types of
// every statement against the command table, stopping at the first error or,
// on request, reporting every failing line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../frame/DataStream.h"
#include "../frame/Export.h"
#include "../frame/Progress.h"
#include "SqsCommand.h"
#include "SqsVariables.h"

// Result codes of the checker; ErrorString has their messages. Besides the
// table, a ')' or ':' that nothing takes reports its character's code, and an
// argument of the wrong type SqsBadArgument (which has no message of its own).
enum SqsError : int
{
    SqsOk = 0,
    SqsNoFile = 1,
    SqsSyntax = 2,
    SqsLineTruncated = 3,
    SqsMissingQuotes = 4,
    SqsMissingSemicolon = 5,
    SqsWaitNotDigit = 6,
    SqsNoCommand = 7,
    SqsUnexpectedSemicolon = 8,
    SqsQueryAssigned = 9,
    SqsLabelFailed = 10,
    SqsArrayAssigned = 11,
    SqsNoEndingBracket = 12,
    SqsQuoteAssigned = 13,
    SqsNotTokenAssignment = 14,
    SqsLabelStartsWithDigit = 15,
    SqsNumericAssigned = 16,
    SqsNoEndingQuote = 17,
    SqsAtAssigned = 18,
    SqsTildeAssigned = 19,
    SqsArrayExpected = 20,
    SqsBadStatement = 21,
    SqsLabelNotAssigned = 22,
    SqsNoFrontObject = 23,
    SqsCommandReturnsNothing = 24,
    SqsReturnNotUsed = 25,
    SqsCommandNeedsFront = 26,
    SqsCommandNeedsFrontNamed = 27,
    SqsMismatchedFront = 28,
    SqsLabelChangedType = 29,
    SqsAssignNeedsReturn = 30,
    SqsAtNeedsBool = 31,
    SqsTildeNeedsNumeric = 32,
    SqsCommandWantsNoFront = 33,
    SqsLabelStartUnknown = 34,
    SqsUnknownCommand = 35,
    SqsNoBrace = 36,
    SqsBadWhich = 37,
    SqsUndecipherable = 38,
    SqsUnexpectedParen = 41,
    SqsUnexpectedColon = 58,
    SqsBadArgument = 99
};

// Receives a failing line when the checker goes on after errors: the line's
// number (from 1), the code and its message.
typedef void (*SqsErrorReport)(void* context, long line, int code, const char* message);

// Calling order: Open, Process, ErrorString when Process answered non-zero,
// Close. Every raw line read is passed to the callback with the format "%s".
//
// The working state (line, token, types, variables, message text) belongs to
// the object, so checkers on different objects never disturb each other.
class OSTREL_API DeSqs
{
public:
    DeSqs();
    ~DeSqs();
    DeSqs(const DeSqs&) = delete;
    DeSqs& operator=(const DeSqs&) = delete;

    // Opens name (".sqs" added unless it already ends so, ignoring case) and
    // keeps the callback (null: the silent one). SqsOk, or SqsNoFile when the
    // file cannot be opened or is empty.
    int Open(const char* name, ProgressCallback callback);
    void Close();
    // Checks from the current position to the end of the file: SqsOk, or the
    // code of the first error. SqsNoFile when nothing is open.
    int Process();
    // With a report, Process goes on after a failing line (the variables
    // and their types kept), hands every failing line to report, and
    // answers the first line's code. Null, the default: Process stops at the
    // first error.
    void ReportEveryError(SqsErrorReport report, void* context);
    // Number of the line last read (from 1; pieces of a long line share it).
    long LineNumber() const { return lineNumber; }
    // Message for a code; texts with the current token in them are kept in
    // the object until the next such call.
    const char* ErrorString(int code);

    // A line longer than this less one arrives in several pieces.
    static constexpr size_t LineSize = 2560;

    // Deepest nesting of statement steps within one line. No line that fits
    // the buffer needs more, since every step that nests reads a token.
    static constexpr int MaxDepth = static_cast<int>(LineSize) + 1;

    // Token kinds answered by ReadToken besides the character codes.
    enum TokenKind
    {
        TokenWord = 0,
        TokenEnd = 1,
        TokenString = 2,
        TokenNumber = 3,
        TokenArray = 4,
        TokenOpenArray = 5,
        TokenOpenString = 6,
        TokenBadNumber = 7,
        TokenBadAssign = 8,
        TokenAssign = 61
    };

private:
    bool getline();
    int ProcessLine();
    int ReadToken(bool peek);
    int ScanToken();
    int ScanString();
    int ScanNested(char open, char close, int closedKind);
    bool SkipQuoted();
    int ClassifyWord() const;
    int AssignKind() const;
    void Put(char c)
    {
        // A token is made of characters of the line, so it always fits.
        if (tokenLength < LineSize - 1)
            token[tokenLength++] = c;
    }

    int ProcessStatements();
    int ProcessStatement(SqsType& type);
    int ProcessExpression(int minLevel, SqsType& type);
    int ProcessOperand(SqsType& type);
    int TakeOperand(SqsType& type);
    int ProcessWord(SqsType& type);
    int ProcessParen(SqsType& type);
    int ProcessEquals();
    int ProcessQuery();
    int ProcessWait(bool untilTrue);
    int ExpectEnd(bool colonEnds);
    int Unexpected(int kind) const;

    DataStream stream;
    ProgressCallback callback;
    SqsErrorReport errorReport;
    void* errorContext;
    long lineNumber;
    bool lineEnded;

    char line[LineSize];
    const char* cursor;
    char token[LineSize];
    size_t tokenLength;
    int32_t tokenKind;
    bool redeliver;
    SqsType statementType;
    int depth;
    SqsVariables variables;
    char message[LineSize + 128];
};
