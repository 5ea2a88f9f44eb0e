// Statement parser of the script checker: operator levels, unary words, and
// the value type of every expression, driven by the command table.
//
// Grammar of one line (tokens from ReadToken):
//   Line      := '#' name | ';' comment | '?' Expr ':' Stmts | '@' Expr | '~' Expr | Stmts
//   Stmts     := Stmt { (';' | ',') Stmt }
//   Stmt      := empty | name '=' Expr | Expr
//   Expr(min) := Operand { binary word of level >= min, Expr(level + 1) }
//   Operand   := number | string | block | array | '(' Expr ')' | nular word
//              | unary word Operand | unknown word (a value of any type)
//
// Every operand reads a token, so a line of at most LineSize - 1 characters
// nests at most LineSize operands deep; MaxDepth is a backstop beyond that,
// and passing it ends the check with SqsSyntax.
#include "DeSqs.h"
#include "SqsGrammar.h"

namespace
{
bool EndsStatement(int kind)
{
    return kind == DeSqs::TokenEnd || kind == ';' || kind == ',';
}

// Operators whose right operand must fit the left one.
bool WantsSameTypes(const SqsCommand& row)
{
    const char* n = row.name;
    return (n[0] == '+' || n[0] == '-') ? n[1] == 0 : ((n[0] == '=' || n[0] == '!') && n[1] == '=' && n[2] == 0);
}
} // namespace

// A token that cannot stand where it was read: the code of the rule it breaks.
int DeSqs::Unexpected(int kind) const
{
    switch (kind)
    {
    case TokenOpenArray:
        return SqsNoEndingBracket;
    case TokenOpenString:
        return SqsNoEndingQuote;
    case TokenBadNumber:
        return SqsLabelStartsWithDigit;
    case TokenBadAssign:
        return SqsNotTokenAssignment;
    case ')':
        return SqsUnexpectedParen;
    case ':':
        return SqsUnexpectedColon;
    default:
        return SqsUndecipherable;
    }
}

// After a complete statement only its end may follow (left for the caller
// to read), or a ':' where the caller allows one.
int DeSqs::ExpectEnd(bool colonEnds)
{
    const int kind = ReadToken(true);
    if (EndsStatement(kind) || (colonEnds && kind == ':'))
        return SqsOk;
    ReadToken(false);
    return Unexpected(kind);
}

// Statements separated by ';' or ',' up to the end of the line.
int DeSqs::ProcessStatements()
{
    for (;;)
    {
        statementType = SqsNone;
        int result = ProcessStatement(statementType);
        if (result != SqsOk)
            return result;
        if (ReadToken(false) == TokenEnd)
            return SqsOk;
    }
}

int DeSqs::ProcessStatement(SqsType& type)
{
    if (ReadToken(true) == TokenAssign)
    {
        ReadToken(false);
        return ProcessEquals();
    }
    int result = ProcessExpression(0, type);
    return result != SqsOk ? result : ExpectEnd(false);
}

int DeSqs::ProcessExpression(int minLevel, SqsType& type)
{
    int result = ProcessOperand(type);
    if (result != SqsOk)
        return result;
    for (;;)
    {
        if (ReadToken(true) != TokenWord)
            return SqsOk;
        const SqsCommand* row = FindCommand(token, tokenLength);
        if (!row || !SqsTakesFront(*row))
            return SqsOk; // not an operator: the caller reports what follows
        const int level = GrammarOf(*row).level;
        if (level < minLevel)
            return SqsOk;
        ReadToken(false);
        if (!SqsCompatible(type, row->front & ~SqsType(SqsMayBeAbsent)))
            return SqsCommandNeedsFrontNamed;
        SqsType right = SqsNone;
        if (row->argument != SqsNone)
        {
            result = ProcessExpression(level + 1, right);
            if (result != SqsOk)
                return result;
            if (!(right & row->argument))
                return SqsBadArgument;
            if (WantsSameTypes(*row) && !SqsCompatible(right, type))
                return SqsBadArgument;
        }
        // "+" and "-" yield the type both sides share.
        const SqsType common = type & right & row->result;
        type = (WantsSameTypes(*row) && row->result != SqsBoolean && common) ? common : row->result;
    }
}

int DeSqs::ProcessOperand(SqsType& type)
{
    if (depth >= MaxDepth)
        return SqsSyntax;
    ++depth;
    int result = TakeOperand(type);
    --depth;
    return result;
}

int DeSqs::TakeOperand(SqsType& type)
{
    const int kind = ReadToken(true);
    if (EndsStatement(kind) || kind == ')' || kind == ':')
    {
        type = SqsNone; // no value; the stop is left for the caller
        return SqsOk;
    }
    ReadToken(false);
    switch (kind)
    {
    case TokenWord:
        return ProcessWord(type);
    case TokenString:
        type = SqsString;
        return SqsOk;
    case TokenNumber:
        type = SqsNumber;
        return SqsOk;
    case TokenArray:
        type = SqsArray;
        return SqsOk;
    case '(':
        return ProcessParen(type);
    default:
        return Unexpected(kind);
    }
}

// A word where a value begins: a constant, a unary word and its operand, or
// a name of any type. A word that needs a value in front fails here.
int DeSqs::ProcessWord(SqsType& type)
{
    const SqsCommand* row = FindCommand(token, tokenLength);
    if (!row)
    {
        type = SqsAny;
        return SqsOk;
    }
    if (!SqsStartsValue(*row))
        return SqsCommandNeedsFrontNamed;
    type = row->result;
    if (row->argument == SqsNone)
        return SqsOk;
    SqsType operand = SqsNone;
    int result = ProcessOperand(operand);
    if (result != SqsOk)
        return result;
    return (operand & row->argument) ? SqsOk : SqsBadArgument;
}

int DeSqs::ProcessParen(SqsType& type)
{
    int result = ProcessExpression(0, type);
    if (result != SqsOk)
        return result;
    const int kind = ReadToken(false);
    if (kind == ')')
        return SqsOk;
    return EndsStatement(kind) ? SqsNoBrace : Unexpected(kind);
}

// The token holds the assigned name. A new name is entered as any, so a
// failing right-hand side leaves it free to take the next value's type.
int DeSqs::ProcessEquals()
{
    SqsType* variable = variables.Find(token, tokenLength);
    const bool isNew = variable == nullptr;
    if (isNew)
        variable = variables.Add(token, tokenLength, SqsAny);
    SqsType value = SqsNone;
    int result = ProcessExpression(0, value);
    if (result == SqsOk)
        result = ExpectEnd(false);
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

// '?' condition ':' statements; the condition is boolean or of any type.
int DeSqs::ProcessQuery()
{
    SqsType condition = SqsNone;
    int result = ProcessExpression(0, condition);
    if (result != SqsOk)
        return result;
    const int kind = ReadToken(false);
    if (kind != ':')
        return EndsStatement(kind) ? SqsBadWhich : Unexpected(kind);
    if (condition != SqsBoolean && condition != SqsAny)
        return SqsBadWhich;
    return ProcessStatements();
}

// '@' and '~' lines: one expression of the wanted type, then statements.
int DeSqs::ProcessWait(bool untilTrue)
{
    statementType = SqsNone;
    int result = ProcessExpression(0, statementType);
    if (result == SqsOk)
        result = ExpectEnd(false);
    if (result != SqsOk)
        return result;
    if (untilTrue ? statementType != SqsBoolean : !SqsCompatible(statementType, SqsNumber))
        return untilTrue ? SqsAtNeedsBool : SqsTildeNeedsNumeric;
    return ReadToken(false) == TokenEnd ? SqsOk : ProcessStatements();
}
