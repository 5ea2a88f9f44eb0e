// Tokenizer of the script checker: words, operators, strings, code blocks,
// arrays and the punctuation of one line, with one token of redelivery.
#include "DeSqs.h"

namespace
{
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

// With peek set, the token read is kept for redelivery: the next request
// answers it again instead of reading on.
int DeSqs::ReadToken(bool peek)
{
    if (redeliver)
    {
        redeliver = peek;
        return tokenKind;
    }
    redeliver = peek;
    tokenLength = 0;
    tokenKind = ScanToken();
    token[tokenLength] = 0;
    return tokenKind;
}

// A word made of digits with at most one dot is a number; any other word that
// starts with a digit or a dot is malformed.
int DeSqs::ClassifyWord() const
{
    if (!IsDigit(token[0]) && token[0] != '.')
        return TokenWord;
    bool dot = false;
    for (size_t i = 0; i < tokenLength; ++i)
    {
        if (IsDigit(token[i]))
            continue;
        if (token[i] == '.' && !dot)
        {
            dot = true;
            continue;
        }
        return TokenBadNumber;
    }
    return TokenNumber;
}

int DeSqs::AssignKind() const
{
    return tokenLength != 0 && !IsDigit(token[0]) ? TokenAssign : TokenBadAssign;
}

// The cursor always stays on the line: it stops on the terminating zero byte
// and every look-ahead of one character past the cursor reads at most that
// byte, since the cursor itself is never on it when looking ahead.
int DeSqs::ScanToken()
{
    while (*cursor == ' ')
        ++cursor;
    if (*cursor == 0)
        return TokenEnd;
    for (;;)
    {
        char c = *cursor;
        switch (c)
        {
        case 0:
            return ClassifyWord();
        case ' ':
            // The token is not empty here: leading spaces were skipped.
            while (*cursor == ' ')
                ++cursor;
            if (cursor[0] == '=' && cursor[1] != '=')
            {
                ++cursor;
                return AssignKind();
            }
            return ClassifyWord();
        case '=':
            if (cursor[1] == '=')
            {
                if (tokenLength != 0)
                    return ClassifyWord();
                Put('=');
                Put('=');
                cursor += 2;
                return TokenWord;
            }
            ++cursor;
            return AssignKind();
        case '!':
            if (tokenLength != 0)
                return ClassifyWord();
            Put(c);
            ++cursor;
            if (*cursor == '=')
            {
                Put('=');
                ++cursor;
            }
            return TokenWord;
        case '<':
        case '>':
            // "<=" and ">=" read as "<" and ">".
            if (tokenLength != 0)
                return ClassifyWord();
            Put(c);
            ++cursor;
            if (c == '>' && *cursor == '>')
            {
                Put('>'); // ">>", the config path operator
                ++cursor;
            }
            else if (*cursor == '=')
                ++cursor;
            return TokenWord;
        case '&':
        case '|':
            // "&&" and "||" are operators; a single one is a word character.
            if (cursor[1] != c)
            {
                Put(c);
                ++cursor;
                break;
            }
            if (tokenLength != 0)
                return ClassifyWord();
            Put(c);
            Put(c);
            cursor += 2;
            return TokenWord;
        case '+':
        case '-':
        case '*':
        case '/':
        case '%':
        case '^':
        case '(':
        case ')':
        case ':':
            // One-character tokens: the operators are words, the punctuation
            // answers its own code.
            if (tokenLength != 0)
                return ClassifyWord();
            Put(c);
            ++cursor;
            return (c == '(' || c == ')' || c == ':') ? c : int(TokenWord);
        case ';':
        case ',':
            // Statement ends answer their code; the token text stays empty.
            if (tokenLength != 0)
                return ClassifyWord();
            ++cursor;
            return c;
        case '#':
        case '?':
        case '@':
        case '~':
            // Taken even after a word: the kind is the character's code and
            // the token keeps only the word before it (empty when none).
            ++cursor;
            return c;
        case '"':
        case '{':
        case '[':
            // Each ends a word before it, as '(' does.
            if (tokenLength != 0)
                return ClassifyWord();
            if (c == '"')
                return ScanString();
            return c == '{' ? ScanNested('{', '}', TokenString) : ScanNested('[', ']', TokenArray);
        default:
            Put(c);
            ++cursor;
            break;
        }
    }
}

// "..." with "" for a quote inside. Two quotes not followed by a third are
// the empty string; three quotes open a text that starts with a quote.
int DeSqs::ScanString()
{
    Put('"');
    ++cursor;
    if (*cursor == '"')
    {
        Put('"');
        ++cursor;
        if (*cursor != '"')
            return TokenString;
        Put('"');
        ++cursor;
    }
    for (;;)
    {
        char c = *cursor;
        if (c == 0)
            return TokenOpenString;
        Put(c);
        ++cursor;
        if (c == '"')
        {
            if (*cursor != '"')
                return TokenString;
            Put('"');
            ++cursor;
        }
    }
}

// Steps over quoted text inside a block or an array (the opening quote is
// already taken); a doubled quote closes and reopens it. False when the line
// ends first.
bool DeSqs::SkipQuoted()
{
    for (;;)
    {
        char c = *cursor;
        if (c == 0)
            return false;
        Put(c);
        ++cursor;
        if (c == '"')
            return true;
    }
}

// {...} or [...] with nesting, taken whole; brackets and braces inside
// quotes do not count. The cursor is on the opening character.
int DeSqs::ScanNested(char open, char close, int closedKind)
{
    const int unclosedKind = open == '{' ? TokenOpenString : TokenOpenArray;
    int depth = 0;
    for (;;)
    {
        char c = *cursor;
        if (c == 0)
            return unclosedKind;
        Put(c);
        ++cursor;
        if (c == '"' && !SkipQuoted())
            return unclosedKind;
        if (c == open)
            ++depth;
        else if (c == close && --depth == 0)
            return closedKind;
    }
}
