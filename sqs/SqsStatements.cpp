// Statement walker of the script checker: a small recursive type checker over
// the tokens of one line, driven by the command table.
//
// Every level of recursion reads a token of its own, so a line of at most
// LineSize - 1 characters nests at most LineSize steps deep (a few hundred
// kilobytes of stack in an optimised build, a few megabytes with sanitizers)
// and every line that fits the buffer is checked in full. MaxDepth is a
// backstop beyond that; passing it would end the check with 2 ("Sqs: syntax").
#include "DeSqs.h"

namespace
{
// Results that end a statement without an error.
constexpr int EndBySemicolon = 88;
constexpr int EndOfLine = 89;
// Stops that the enclosing parenthesis or conditional line takes.
constexpr int CloseParen = 41;
constexpr int Colon = 58;
// An argument of the wrong type.
constexpr int BadArgument = 99;
} // namespace

int DeSqs::ProcessStatement(SqsType& type)
{
    for (;;)
    {
        int result = ProcessVerb(type);
        if (result == 0)
            continue;
        if (result == EndBySemicolon || result == EndOfLine)
            return 0;
        return result;
    }
}

int DeSqs::ProcessVerb(SqsType& type)
{
    if (depth >= MaxDepth)
        return 2;
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
        return 12;
    case TokenOpenString:
        return 17;
    case TokenBadNumber:
        return 15;
    case TokenBadAssign:
        return 14;
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
        return 38;
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
        return 0;
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
            return 27;
        if (type == SqsAny)
            type = row->front & ~SqsType(SqsMayBeAbsent);
    }
    currentPrecedence = row->precedence;
    if (row->argument == SqsNone)
    {
        type = row->result;
        return 0;
    }
    SqsType arg = type;
    int result = ProcessStatement(arg);
    type = row->result;
    // An error inside the argument is reported as itself; only the stops at
    // ')' and ':' go on to the type check.
    if (result != 0 && result != CloseParen && result != Colon)
        return result;
    if (arg & row->argument)
        return result;
    result = ProcessVerb(arg);
    if (arg & row->argument)
    {
        type = row->result;
        return result;
    }
    return BadArgument;
}

int DeSqs::ProcessParen(SqsType& type)
{
    type = SqsNone;
    int result;
    while ((result = ProcessVerb(type)) == 0)
    {
    }
    if (result != CloseParen)
        return result; // also a parenthesis still open at the end of the line
    while (CompatibleOperator(type))
    {
        result = ProcessVerb(type);
        if (result != 0)
            return result;
    }
    return 0;
}

int DeSqs::ProcessEquals()
{
    SqsType* variable = variables.Find(token, tokenLength);
    bool isNew = variable == nullptr;
    if (isNew)
        variable = variables.Add(token, tokenLength, SqsNone);
    SqsType value = SqsNone;
    int result = ProcessStatement(value);
    if (result != 0)
        return result;
    if (value == SqsNone)
        return 30;
    if (isNew || *variable == SqsAny)
        *variable = value;
    else if (!SqsCompatible(value, *variable))
        return 29;
    return 0;
}

int DeSqs::ProcessQuery()
{
    statementType = SqsAny;
    currentPrecedence = 0;
    int result = ProcessStatement(statementType);
    if (result != Colon)
        return result != 0 ? result : 37;
    if (statementType != SqsBoolean && statementType != SqsAny)
        return 37;
    statementType = SqsNone;
    return ProcessStatement(statementType);
}
