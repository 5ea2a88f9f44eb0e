// Script checker life cycle, line reading, line kinds and messages.
#include "DeSqs.h"

#include <cstdio>
#include <cstring>

DeSqs::DeSqs()
    : callback(&SilentProgress::Callback), errorReport(nullptr), errorContext(nullptr), lineNumber(0), lineEnded(true),
      cursor(line), tokenLength(0), tokenKind(TokenEnd), redeliver(false), statementType(SqsNone), depth(0)
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
    return stream.OpenInput(name, "sqs", 0) ? SqsOk : SqsNoFile;
}

void DeSqs::Close()
{
    stream.Close();
}

int DeSqs::Process()
{
    if (!stream.InputFile())
        return SqsNoFile;
    variables.Clear();
    variables.Add("_this", 5, SqsAny); // whatever the caller passed
    variables.Add("player", 6, SqsObject);
    // The token text carries from line to line within one script, but every
    // script starts afresh.
    tokenLength = 0;
    token[0] = 0;
    lineNumber = 0;
    lineEnded = true;
    int first = SqsOk;
    while (getline())
    {
        statementType = SqsNone;
        const int result = ProcessLine();
        if (result == SqsOk)
            continue;
        if (!errorReport)
            return result;
        if (first == SqsOk)
            first = result;
        errorReport(errorContext, lineNumber, result, ErrorString(result));
    }
    return first;
}

void DeSqs::ReportEveryError(SqsErrorReport report, void* context)
{
    errorReport = report;
    errorContext = context;
}

// Reads the next line (or piece of a longer line), shows it, turns tabs into
// spaces and cuts it at its line end. False at the end of the file.
bool DeSqs::getline()
{
    if (!std::fgets(line, static_cast<int>(LineSize), stream.InputFile()))
        return false;
    callback("%s", line);
    if (lineEnded)
        ++lineNumber;
    lineEnded = std::strchr(line, '\n') != nullptr;
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
        {
            // Any word-like name: "#loop", "#1", "#0a".
            // Operators read as words too, but are no names.
            const int kind = ReadToken(false);
            if (kind == TokenWord)
                return std::strchr("+-*/%^!<>=&|", token[0]) ? SqsLabelFailed : SqsOk;
            return (kind == TokenNumber || kind == TokenBadNumber) ? SqsOk : SqsLabelFailed;
        }
    case ';':
        return SqsOk;
    case '?':
        ++cursor;
        return ProcessQuery();
    case '@':
        ++cursor;
        return ProcessWait(true);
    case '~':
        ++cursor;
        return ProcessWait(false);
    default:
        return ProcessStatements();
    }
}

namespace
{
// The message of a code; the ones that name the current token hold a "%s".
// Every code has a case (no default), so a code without a text is a compile
// warning.
const char* Message(SqsError code)
{
    // Spellings and trailing blanks are part of the texts.
    switch (code)
    {
    case SqsOk:
        return "Sqs: No Error(s)";
    case SqsNoFile:
        return "Sqs: no file";
    case SqsSyntax:
        return "Sqs: syntax";
    case SqsLineTruncated:
        return "Sqs: line truncated";
    case SqsMissingQuotes:
        return "Sqs: missing quites";
    case SqsMissingSemicolon:
        return "Sqs: missing semi";
    case SqsWaitNotDigit:
        return "Sqs: wait not a digit";
    case SqsNoCommand:
        return "Sqs: no command";
    case SqsUnexpectedSemicolon:
        return "Sqs: unexcpected semicoln";
    case SqsQueryAssigned:
        return "Sqs: ? already assigned";
    case SqsLabelFailed:
        return "Sqs: label failed";
    case SqsArrayAssigned:
        return "Sqs: array already assigned";
    case SqsNoEndingBracket:
        return "Sqs: no ending ]";
    case SqsQuoteAssigned:
        return "Sqs: quote already assigned";
    case SqsNotTokenAssignment:
        return "Sqs: not token assign,ent";
    case SqsLabelStartsWithDigit:
        return "Sqs: some label starting with a digit";
    case SqsNumericAssigned:
        return "Sqs: numeric already assinged";
    case SqsNoEndingQuote:
        return "Sqs: no ending quote";
    case SqsAtAssigned:
        return "Sqs: at already assigned";
    case SqsTildeAssigned:
        return "Sqs: tilde already assigned";
    case SqsArrayExpected:
        return "Sqs: array expected";
    case SqsBadStatement:
        return "Sqs: bullshit";
    case SqsLabelNotAssigned:
        return "Sqs: LABEL '%s' NOT_ASSIGNED";
    case SqsNoFrontObject:
        return "SQSERR_NO_FRONT_OBJECT";
    case SqsCommandReturnsNothing:
        return "sqs: command does not return anythign";
    case SqsReturnNotUsed:
        return "sqs: The return from command '%s' is not used";
    case SqsCommandNeedsFront:
        return "sqs: SQSERR_CMD_NEEDS_FRONT";
    case SqsCommandNeedsFrontNamed:
        return "SQS: command '%s' needs front";
    case SqsMismatchedFront:
        return "Sqs: The '%s' command has a mismatched front type ";
    case SqsLabelChangedType:
        return "sqs: SQSERR_LABEL_CHANGED_TYPE";
    case SqsAssignNeedsReturn:
        return "sqs: SQSERR_ASSIGN_NEEDS_A_RETURN";
    case SqsAtNeedsBool:
        return "sqs: SQSERR_AT_NEEDS_BOOL";
    case SqsTildeNeedsNumeric:
        return "sqs: SQSERR_TILDE_NEEDS_NUMERIC";
    case SqsCommandWantsNoFront:
        return "sqs: SQSERR_COMMAND_NOWANT_FRONT";
    case SqsLabelStartUnknown:
        return "sqs: SQSERR_LABELSTART_UNKNOWN";
    case SqsUnknownCommand:
        return "Sqs: UNKNOWN_COMMAND '%s'";
    case SqsNoBrace:
        return "Sqs: no brace";
    case SqsBadWhich:
        return "Sqs: ERRSQS_BAD_WHICH";
    case SqsUndecipherable:
        return "UNDECIPHERABLE_SYNTAX '%s'";
    case SqsUnexpectedParen:
        return "Unexpected )";
    case SqsUnexpectedColon:
        return "Unexpected : ";
    case SqsBadArgument:
        return "Sqs: unknown error";
    }
    return "Sqs: unknown error";
}

bool NamesToken(int code)
{
    return code == SqsLabelNotAssigned || code == SqsReturnNotUsed || code == SqsCommandNeedsFrontNamed ||
           code == SqsMismatchedFront || code == SqsUnknownCommand || code == SqsUndecipherable;
}
} // namespace

const char* DeSqs::ErrorString(int code)
{
    const char* text = Message(static_cast<SqsError>(code));
    if (!NamesToken(code))
        return text;
    // The message buffer holds the longest token with room to spare.
    std::snprintf(message, sizeof message, text, token);
    return message;
}
