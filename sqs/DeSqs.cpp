// Script checker life cycle, line reading, line kinds and messages.
#include "DeSqs.h"

#include <cstdio>

DeSqs::DeSqs()
    : callback(&SilentProgress::Callback), cursor(line), tokenLength(0), tokenKind(TokenEnd), redeliver(false),
      statementType(SqsNone), currentPrecedence(0), depth(0)
{
    line[0] = 0;
    token[0] = 0;
    message[0] = 0;
}

DeSqs::~DeSqs()
{
    stream.Close();
    variables.Clear();
}

int DeSqs::Open(const char* name, ProgressCallback progress)
{
    callback = SilentProgress::Select(progress);
    return stream.OpenInput(name, "sqs", 0) ? 0 : 1;
}

void DeSqs::Close()
{
    stream.Close();
}

int DeSqs::Process()
{
    if (!stream.InputFile())
        return 1;
    variables.Clear();
    variables.Add("_this", 5, SqsArray);
    variables.Add("player", 6, SqsObject);
    // Operator precedence and the token text carry from line to line within
    // one script, but every script starts afresh.
    currentPrecedence = 0;
    tokenLength = 0;
    token[0] = 0;
    while (getline())
    {
        statementType = SqsNone;
        int result = ProcessLine();
        if (result != 0)
            return result;
    }
    return 0;
}

// Reads the next line (or piece of a longer line), shows it, turns tabs into
// spaces and cuts it at its line end. False at the end of the file.
bool DeSqs::getline()
{
    if (!std::fgets(line, static_cast<int>(LineSize), stream.InputFile()))
        return false;
    callback("%s", line);
    for (char* p = line; *p; ++p)
    {
        if (*p == '\t')
            *p = ' ';
        else if (*p == '\r' || *p == '\n')
        {
            *p = 0;
            break;
        }
    }
    cursor = line;
    while (*cursor == ' ')
        ++cursor;
    // The token of the last line read stays until the next token is read
    // (a comment line reads none).
    redeliver = false;
    depth = 0;
    return true;
}

int DeSqs::ProcessLine()
{
    switch (*cursor)
    {
    case '#':
        ++cursor;
        return ReadToken(false) == TokenWord ? 0 : 10;
    case ';':
        return 0;
    case '?':
        ++cursor;
        return ProcessQuery();
    case '@':
    {
        ++cursor;
        int result = ProcessStatement(statementType);
        if (result != 0)
            return result;
        return statementType == SqsBoolean ? 0 : 31;
    }
    case '~':
    {
        ++cursor;
        int result = ProcessStatement(statementType);
        if (result != 0)
            return result;
        return SqsCompatible(statementType, SqsNumber) ? 0 : 32;
    }
    default:
        return ProcessStatement(statementType);
    }
}

const char* DeSqs::ErrorString(int code)
{
    // Spellings and trailing blanks are part of the texts.
    static const char* const texts[] = {
        "Sqs: No Error(s)",
        "Sqs: no file",
        "Sqs: syntax",
        "Sqs: line truncated",
        "Sqs: missing quites",
        "Sqs: missing semi",
        "Sqs: wait not a digit",
        "Sqs: no command",
        "Sqs: unexcpected semicoln",
        "Sqs: ? already assigned",
        "Sqs: label failed",
        "Sqs: array already assigned",
        "Sqs: no ending ]",
        "Sqs: quote already assigned",
        "Sqs: not token assign,ent",
        "Sqs: some label starting with a digit",
        "Sqs: numeric already assinged",
        "Sqs: no ending quote",
        "Sqs: at already assigned",
        "Sqs: tilde already assigned",
        "Sqs: array expected",
        "Sqs: bullshit",
        "Sqs: LABEL '%s' NOT_ASSIGNED",
        "SQSERR_NO_FRONT_OBJECT",
        "sqs: command does not return anythign",
        "sqs: The return from command '%s' is not used",
        "sqs: SQSERR_CMD_NEEDS_FRONT",
        "SQS: command '%s' needs front",
        "Sqs: The '%s' command has a mismatched front type ",
        "sqs: SQSERR_LABEL_CHANGED_TYPE",
        "sqs: SQSERR_ASSIGN_NEEDS_A_RETURN",
        "sqs: SQSERR_AT_NEEDS_BOOL",
        "sqs: SQSERR_TILDE_NEEDS_NUMERIC",
        "sqs: SQSERR_COMMAND_NOWANT_FRONT",
        "sqs: SQSERR_LABELSTART_UNKNOWN",
        "Sqs: UNKNOWN_COMMAND '%s'",
        "Sqs: no brace",
        "Sqs: ERRSQS_BAD_WHICH",
        "UNDECIPHERABLE_SYNTAX '%s'",
    };
    const char* text;
    if (code >= 0 && code < static_cast<int>(sizeof texts / sizeof texts[0]))
        text = texts[code];
    else if (code == 41)
        return "Unexpected )";
    else if (code == 58)
        return "Unexpected : ";
    else
        return "Sqs: unknown error";
    switch (code)
    {
    case 22:
    case 25:
    case 27:
    case 28:
    case 35:
    case 38:
        // The message buffer holds the longest token with room to spare.
        std::snprintf(message, sizeof message, text, token);
        return message;
    default:
        return text;
    }
}
