// Statement walker of the script checker: a small recursive type checker over
// the tokens of one line, driven by the command table.
//
// Every level of recursion reads a token of its own, so a line of at most
// LineSize - 1 characters nests at most LineSize steps deep (a few hundred
// kilobytes of stack in an optimised build, a few megabytes with sanitizers)
// and every line that fits the buffer is checked in full. MaxDepth is a
// backstop beyond that; passing it would end the check with SqsSyntax.
#include "DeSqs.h"

namespace
{
// Results that end a statement without an error.
constexpr int EndBySemicolon = 88;
constexpr int EndOfLine = 89;
// Stops that the enclosing parenthesis or conditional line takes; where
// nothing takes them they are the errors of their characters.
constexpr int CloseParen = SqsUnexpectedParen;
constexpr int Colon = SqsUnexpectedColon;
} // namespace

int DeSqs::ProcessStatement(SqsType& type)
{
    for (;;)
    {
        int result = ProcessVerb(type);
        if (result == SqsOk)
            continue;
        if (result == EndBySemicolon || result == EndOfLine)
            return SqsOk;
        return result;
    }
}

int DeSqs::ProcessVerb(SqsType& type)
{
    if (depth >= MaxDepth)
        return SqsSyntax;
    ++depth;
    int result = TakeStep(type);
    --depth;
    return result;
}

int DeSqs::TakeStep(SqsType& type)
{
    switch (ReadToken(false))
    {
    case TokenWord:
        return ProcessLabel(type);
    case TokenEnd:
        return EndOfLine;
    case TokenString:
        return ProcessLiteral(type, SqsString);
    case TokenNumber:
        return ProcessLiteral(type, SqsNumber);
    case TokenArray:
        return ProcessLiteral(type, SqsArray);
    case TokenOpenArray:
        return SqsNoEndingBracket;
    case TokenOpenString:
        return SqsNoEndingQuote;
    case TokenBadNumber:
        return SqsLabelStartsWithDigit;
    case TokenBadAssign:
        return SqsNotTokenAssignment;
    case '(':
        return ProcessParen(type);
    case ')':
        return CloseParen;
    case ':':
        return Colon;
    case ';':
        return EndBySemicolon;
    case TokenAssign:
        return ProcessEquals();
    default:
        return SqsUndecipherable;
    }
}

// A value: when an operator that can take it follows, the caller's loop takes
// that operator next with this value in front; otherwise the rest of the
// statement is checked from here.
int DeSqs::ProcessLiteral(SqsType& type, SqsType literalType)
{
    SqsType front = type;
    type = literalType;
    if (CompatibleOperator(front))
        return SqsOk;
    return ProcessStatement(type);
}

// Peeks at the next token (it is read again by the next request).
bool DeSqs::CompatibleOperator(SqsType t)
{
    if (ReadToken(true) != TokenWord || t == SqsNone)
        return false;
    const SqsCommand* row = FindCommand(token, tokenLength);
    return row && row->result != SqsNone && SqsCompatible(t, row->result) && currentPrecedence <= row->precedence;
}

int DeSqs::ProcessLabel(SqsType& type)
{
    const SqsCommand* row = FindCommand(token, tokenLength);
    if (!row)
        return ProcessLiteral(type, SqsAny); // a name of any type
    if (row->front == SqsNone)
        type = SqsNone;
    else
    {
        if (!SqsCompatible(type, row->front) && !(row->front & SqsMayBeAbsent))
            return SqsCommandNeedsFrontNamed;
        if (type == SqsAny)
            type = row->front & ~SqsType(SqsMayBeAbsent);
    }
    currentPrecedence = row->precedence;
    if (row->argument == SqsNone)
    {
        type = row->result;
        return SqsOk;
    }
    SqsType arg = type;
    int result = ProcessStatement(arg);
    type = row->result;
    // An error inside the argument is reported as itself; only the stops at
    // ')' and ':' go on to the type check.
    if (result != SqsOk && result != CloseParen && result != Colon)
        return result;
    if (arg & row->argument)
        return result;
    result = ProcessVerb(arg);
    if (arg & row->argument)
    {
        type = row->result;
        return result;
    }
    return SqsBadArgument;
}

int DeSqs::ProcessParen(SqsType& type)
{
    type = SqsNone;
    int result;
    while ((result = ProcessVerb(type)) == SqsOk)
    {
    }
    if (result != CloseParen)
        return result; // also a parenthesis still open at the end of the line
    while (CompatibleOperator(type))
    {
        result = ProcessVerb(type);
        if (result != SqsOk)
            return result;
    }
    return SqsOk;
}

int DeSqs::ProcessEquals()
{
    SqsType* variable = variables.Find(token, tokenLength);
    bool isNew = variable == nullptr;
    if (isNew)
        variable = variables.Add(token, tokenLength, SqsNone);
    SqsType value = SqsNone;
    int result = ProcessStatement(value);
    if (result != SqsOk)
        return result;
    if (value == SqsNone)
        return SqsAssignNeedsReturn;
    if (isNew || *variable == SqsAny)
        *variable = value;
    else if (!SqsCompatible(value, *variable))
        return SqsLabelChangedType;
    return SqsOk;
}

int DeSqs::ProcessQuery()
{
    statementType = SqsAny;
    currentPrecedence = 0;
    int result = ProcessStatement(statementType);
    if (result != Colon)
        return result != SqsOk ? result : SqsBadWhich;
    if (statementType != SqsBoolean && statementType != SqsAny)
        return SqsBadWhich;
    statementType = SqsNone;
    return ProcessStatement(statementType);
}
