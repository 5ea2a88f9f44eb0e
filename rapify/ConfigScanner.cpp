// Config scanner: physical and logical lines, comments, continuations, token
// scanning in its five modes and the stack of macro expansions being read.

#include "ConfigScanner.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "../frame/AllocFail.h"
#include "DefineTable.h"
#include "RapifyCodes.h"

namespace
{
constexpr int32_t FirstLineCapacity = 1000;

char* CopyText(const char* text, size_t length)
{
    char* copy = static_cast<char*>(ostrel_internal::alloc::Allocate(length + 1));
    if (copy)
    {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

// What a character is to the token scanner: ordinary characters are
// copied into the token in a tight loop; every other one stops it.
enum CharClass : unsigned char
{
    Ordinary = 0,
    Stop = 1, // zero byte, space, quote, parentheses, ';'
    Punct = 2 // , = [ ] { } : (ordinary in a whole value)
};

struct CharClasses
{
    unsigned char of[256] = {};
    constexpr CharClasses()
    {
        for (unsigned char c : {'\0', ' ', '"', '(', ')', ';'})
            of[c] = Stop;
        for (unsigned char c : {',', '=', '[', ']', '{', '}', ':'})
            of[c] = Punct;
    }
};
constexpr CharClasses CharTable;

bool IsPunctuation(char c)
{
    return CharTable.of[static_cast<unsigned char>(c)] == Punct;
}

// Removes leading and trailing spaces in place; length is the text's length
// when known (npos: measured here). Answers the new length.
size_t TrimSpaces(char* text, size_t length = std::string::npos)
{
    if (!text)
        return 0;
    size_t start = 0;
    while (text[start] == ' ')
        ++start;
    length = length == std::string::npos ? std::strlen(text + start) : length - start;
    while (length > 0 && text[start + length - 1] == ' ')
        --length;
    if (start)
        std::memmove(text, text + start, length);
    text[length] = '\0';
    return length;
}
} // namespace

ConfigScanner::~ConfigScanner()
{
    ReleaseBuffers();
}

void ConfigScanner::PopText()
{
    if (stack.empty())
        return;
    position = stack.back().saved;
    std::free(stack.back().copy);
    stack.pop_back();
    stackDepth = static_cast<int32_t>(stack.size() * 2);
}

void ConfigScanner::PopAll()
{
    while (!stack.empty())
        PopText();
}

void ConfigScanner::ReleaseBuffers()
{
    PopAll();
    std::free(line);
    std::free(token);
    std::free(input);
    line = token = input = inputPosition = position = lineEnd = nullptr;
    lineCapacity = tokenCapacity = 0;
    inputLength = 0;
    stream.Close();
}

bool ConfigScanner::Reset(const char* text, RazDLL* dll)
{
    ReleaseBuffers();
    inBlockComment = false;
    eolIsSemicolon = defaultEolIsSemicolon;
    quoted = false;
    expansions = 0;
    includes = 0;
    spentBytes = 0;
    sources.clear();
    overBudget = false;
    if (!text)
    {
        archive = nullptr;
        return true;
    }
    archive = dll;
    lineCount = 0;
    lastCode = 0;
    stopReason.clear();
    inputLength = std::strlen(text);
    sourceBytes = inputLength;
    input = CopyText(text, inputLength);
    inputPosition = input;
    return input != nullptr;
}

bool ConfigScanner::EnsureLine(size_t needed)
{
    if (needed <= static_cast<size_t>(lineCapacity))
        return true;
    size_t capacity = lineCapacity > 0 ? static_cast<size_t>(lineCapacity) : FirstLineCapacity;
    while (capacity < needed)
    {
        if (capacity > (INT32_MAX / 2))
            return false;
        capacity *= 2;
    }
    char* grown = static_cast<char*>(std::realloc(line, capacity));
    if (!grown)
        return false;
    line = grown;
    lineCapacity = static_cast<int32_t>(capacity);
    return true;
}

bool ConfigScanner::EnsureToken(size_t needed)
{
    if (needed <= static_cast<size_t>(tokenCapacity) && token)
        return true;
    char* grown = static_cast<char*>(std::realloc(token, needed));
    if (!grown)
        return false;
    token = grown;
    tokenCapacity = static_cast<int32_t>(needed);
    return true;
}

int ConfigScanner::ReadPhysicalLine()
{
    if (!line)
    {
        line = static_cast<char*>(std::malloc(FirstLineCapacity));
        if (!line)
            return 0;
        lineCapacity = FirstLineCapacity;
    }
    PassIncludeEnds();
    if (*inputPosition == '\0')
        return -1;
    // Every line read counts, comment and blank lines and the lines of
    // included files too; the read that finds the end of the input is no line.
    ++lineCount;
    // The line end added after an included text is nobody's line.
    const size_t start = static_cast<size_t>(inputPosition - input);
    if (files.size() == 1 || start < files.back().textEnd)
        ++files.back().line;
    const char* feed = static_cast<const char*>(
        std::memchr(inputPosition, '\n', inputLength - static_cast<size_t>(inputPosition - input)));
    size_t length =
        feed ? static_cast<size_t>(feed - inputPosition) + 1 : inputLength - static_cast<size_t>(inputPosition - input);
    // The length counts the line feed; it and the zero byte must stay below
    // the capacity.
    if (!EnsureLine(length + 2))
        return 0;
    size_t copied = feed ? length - 1 : length;
    std::memcpy(line, inputPosition, copied);
    line[copied] = '\0';
    inputPosition += length;
    return 1;
}

void ConfigScanner::PassIncludeEnds()
{
    size_t offset = static_cast<size_t>(inputPosition - input);
    while (files.size() > 1 && files.back().end <= offset)
        files.pop_back();
}

void ConfigScanner::SetTopFile(const char* path)
{
    files.assign(1, OpenFile{path ? path : "", 0, 0, 0});
}

// Removes comments from the line; false when nothing but comment is left.
// One pass that copies the kept text down (write cursor w, read cursor r):
// a removed block comment can join the '/' before it with what follows it,
// so that '/' is read again unless a "://" step passed over it.
bool ConfigScanner::StripComments()
{
    // Up to the first '/' every character stays where it is.
    char* first = std::strchr(line, '/');
    if (!first)
        return true;
    char* w = first;
    char* r = first;
    bool passedOver = false; // the last kept character was passed over by "://"
    while (*r)
    {
        if (r[0] == '/' && r[1] == '/')
        {
            if (w > line && w[-1] == ':')
            {
                *w++ = *r++; // a web address keeps its slashes
                *w++ = *r++;
                passedOver = true;
                continue;
            }
            *w = '\0';
            return line[0] != '\0';
        }
        if (r[0] == '/' && r[1] == '*')
        {
            inBlockComment = true;
            char* close = std::strstr(r + 2, "*/");
            if (!close)
                break;
            inBlockComment = false;
            r = close + 2;
            // The removed text lay between w and r, so there is room to put
            // the '/' before it back in front of what follows.
            if (w > line && w[-1] == '/' && !passedOver)
            {
                *--r = '/';
                --w;
            }
            continue;
        }
        *w++ = *r++;
        passedOver = false;
    }
    *w = '\0';
    return true;
}

// One line with content: comments removed, tabs made spaces, cut at the first
// carriage return, trimmed. -1 at the end of input, 0 when memory runs out.
int ConfigScanner::ReadCleanLine()
{
    for (;;)
    {
        int r = ReadPhysicalLine();
        if (r != 1)
            return r;
        callback("%s\n", line);
        if (!plain && inBlockComment)
        {
            char* close = std::strstr(line, "*/");
            if (!close)
                continue;
            std::memmove(line, close + 2, std::strlen(close + 2) + 1);
            inBlockComment = false;
            if (line[0] == '\0' || line[0] == '\r' || line[0] == '\n')
                continue;
        }
        else if (!plain && line[0] == ';')
        {
            continue;
        }
        if (!plain && !StripComments())
            continue;
        // Tabs become spaces and the first carriage return ends the line;
        // most lines hold neither, so they are looked for first.
        char* cursor = line + std::strcspn(line, "\t\r\n");
        for (; *cursor && *cursor != '\r' && *cursor != '\n'; ++cursor)
        {
            if (*cursor == '\t')
                *cursor = ' ';
        }
        *cursor = '\0';
        size_t length = static_cast<size_t>(cursor - line);
        if (std::strspn(line, " ") == length)
            continue;
        lineLength = TrimSpaces(line, length);
        return 1;
    }
}

int ConfigScanner::ReadLogicalLine()
{
    // Lines ending in '\' are joined to the next one in a loop that appends
    // to one growing text, so any number of continued lines costs linear time
    // and no stack. Each continued line is trimmed after its '\' goes, and
    // is followed by ';' when it ends with '}', else by a space.
    std::string joined;
    bool continued = false;
    for (;;)
    {
        int r = ReadCleanLine();
        if (r != 1)
        {
            if (!continued || r != -1)
                return r;
            // A continuation on the last line keeps that line.
            joined.pop_back(); // the separator no line follows
            if (joined.empty())
                return -1;
        }
        else
        {
            size_t length = lineLength;
            bool more = !plain && length > 0 && line[length - 1] == '\\';
            if (!continued && !more)
            {
                lineEnd = line + length;
                return 1;
            }
            size_t segment = joined.size();
            joined.append(line, more ? length - 1 : length);
            if (more)
            {
                while (joined.size() > segment && joined.back() == ' ')
                    joined.pop_back();
                joined += (joined.size() > segment && joined.back() == '}') ? ';' : ' ';
                continued = true;
                continue;
            }
        }
        if (!EnsureLine(joined.size() + 1))
            return 0;
        std::memcpy(line, joined.c_str(), joined.size() + 1);
        lineEnd = line + joined.size();
        return 1;
    }
}

bool ConfigScanner::PushText(const char* text)
{
    // The token that expands was read from the innermost text.
    int generation = stack.empty() ? 1 : stack.back().generation + 1;
    // A used-up expansion is dropped before the next one is pushed; its
    // generation carries over, so a macro that keeps re-expanding itself
    // still meets the bound.
    while (!stack.empty() && position == stack.back().end)
        PopText();
    size_t length = std::strlen(text);
    if (generation > MaxExpansionDepth || ++expansions > MaxExpansions || !Spend(length))
    {
        if (stopReason.empty())
            stopReason = generation > MaxExpansionDepth
                             ? "macros expanded inside one another more than " + std::to_string(MaxExpansionDepth) +
                                   " levels deep"
                             : "more than " + std::to_string(MaxExpansions) + " macro expansions";
        PopAll();
        return false;
    }
    char* copy = CopyText(text, length);
    if (!copy)
    {
        PopAll();
        return false;
    }
    try
    {
        stack.push_back(PushedText{position, copy, copy + length, generation});
    }
    catch (...)
    {
        std::free(copy);
        PopAll();
        return false;
    }
    position = copy;
    stackDepth = static_cast<int32_t>(stack.size() * 2);
    return true;
}

bool ConfigScanner::Spend(size_t length)
{
    spentBytes += length;
    const uint64_t budget = BudgetBase + BudgetPerSourceByte * sourceBytes;
    if (spentBytes <= budget)
        return true;
    overBudget = true;
    stopReason = "the text made by macros and includes passed its limit of " + std::to_string(budget) + " bytes";
    return false;
}

void ConfigScanner::AddSource(const std::string& name, size_t length)
{
    if (sources.insert(name).second)
        sourceBytes += length;
}

int ConfigScanner::ScanQuoted()
{
    quoted = true;
    ++position;
    char* out = token;
    for (;;)
    {
        // The text up to the next double quote goes over in one copy (the
        // 10 MB benchmark config, compile alone, best of paired runs on a
        // loaded machine: 57.4 ms character by character, 52.6 ms so).
        const char* quote = std::strchr(position, '"');
        size_t run = quote ? static_cast<size_t>(quote - position) : std::strlen(position);
        std::memcpy(out, position, run);
        out += run;
        position += run;
        if (!quote)
        {
            *out = '\0';
            return RapifyMismatchedQuotes;
        }
        if (position[1] != '"')
        {
            ++position;
            if (plain && JoinNextString(out))
                continue;
            *out = '\0';
            return RapifyOk;
        }
        // Two double quotes stand for one.
        *out++ = '"';
        position += 2;
    }
}

// Preprocessed text: a string followed, across blanks and line ends (and
// at most one \n written between them), by another string continues in it
// after a line feed. True with position inside the next string and out
// after the line feed.
bool ConfigScanner::JoinNextString(char*& out)
{
    auto blanks = [](const char* p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        return p;
    };
    auto escape = [&](const char* p, bool& seen) {
        if (!seen && p[0] == '\\' && p[1] == 'n')
        {
            seen = true;
            return blanks(p + 2);
        }
        return p;
    };
    if (!stack.empty())
        return false;
    bool seen = false;
    const char* next = escape(blanks(position), seen);
    if (*next == '\0')
    {
        // Look past the line end in the text not yet read, then read up to it.
        const char* q = inputPosition;
        while (*q == ' ' || *q == '\t' || *q == '\r' || *q == '\n')
            ++q;
        bool peeked = seen;
        if (*escape(q, peeked) != '"')
            return false;
        if (ReadLogicalLine() != 1)
        {
            position = lineEnd = nullptr;
            return false;
        }
        position = line;
        tokenStart = nullptr;
        next = escape(blanks(line), seen);
    }
    if (*next != '"')
        return false;
    const size_t n = static_cast<size_t>(out - token);
    // The rest of the line may join the token: grow it by doubling.
    const size_t needed = n + std::strlen(next) + 2;
    const size_t doubled = 2 * static_cast<size_t>(tokenCapacity);
    if (needed > static_cast<size_t>(tokenCapacity) && !EnsureToken(needed > doubled ? needed : doubled))
        return false;
    out = token + n;
    *out++ = '\n';
    position = const_cast<char*>(next) + 1;
    return true;
}

int ConfigScanner::ScanToken(ScanMode mode)
{
    quoted = false;
    // Invariant for the loop below: a token never holds more characters than
    // the current text has left, so the buffer cannot overflow.
    char* end = stack.empty() ? lineEnd : stack.back().end;
    size_t left = end && position && position <= end ? static_cast<size_t>(end - position) : 0;
    size_t needed = left + 1 > static_cast<size_t>(lineCapacity) ? left + 1 : static_cast<size_t>(lineCapacity);
    if (!EnsureToken(needed > 0 ? needed : 1))
        return RapifyNoMemory;
    const bool valueText = mode == ScanMode::ValueText;
    int depth = 0;
    size_t n = 0;
    if (!position)
    {
        token[0] = '\0';
        return RapifyNoToken;
    }
    while (*position == ' ')
        ++position;
    tokenStart = position;
    for (;;)
    {
        // Runs of ordinary characters (the bulk of names and values). With
        // this table, lines left in place when they hold no '/' or tab, and
        // no trimming move when nothing leads, compiling the 10 MB benchmark
        // config (best of paired runs) went from 56 ms to 38 ms; the char by
        // char switch, comment copy and tab loop were half of the scanner.
        while (CharTable.of[static_cast<unsigned char>(*position)] == Ordinary)
            token[n++] = *position++;
        char c = *position;
        if (c == '\0')
        {
            token[n] = '\0';
            if (depth > 0)
                return RapifyExpectedParenthesis;
            return n == 0 ? RapifyNoToken : RapifyOk;
        }
        if (depth > 0)
        {
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            token[n++] = c;
            ++position;
            continue;
        }
        switch (c)
        {
        case ' ':
            ++position;
            if (n == 0)
                continue;
            if (valueText)
            {
                token[n++] = c;
                continue;
            }
            token[n] = '\0';
            return RapifyOk;
        case '"':
            if (n == 0)
                return ScanQuoted();
            if (valueText)
            {
                token[n++] = c;
                ++position;
                continue;
            }
            token[n] = '\0';
            return RapifyOk;
        case '(':
            ++depth;
            token[n++] = c;
            ++position;
            continue;
        case ')':
            token[n++] = c;
            token[n] = '\0';
            ++position;
            return RapifyOk;
        default:
            break;
        }
        if (c == ';' || (!valueText && IsPunctuation(c)))
        {
            if (n == 0)
            {
                ++position;
                token[0] = '\0';
                return static_cast<unsigned char>(c);
            }
            token[n] = '\0';
            return RapifyOk;
        }
        token[n++] = c;
        ++position;
    }
}

int ConfigScanner::NextToken(ScanMode mode)
{
    for (;;)
    {
        // Used-up expansions give way to the text they were found in.
        while (!stack.empty() && *position == '\0')
            PopText();
        if (!stack.empty())
            break;
        if (!position || *position == '\0')
        {
            if (mode == ScanMode::LineRest)
                return lastCode = RapifyNoIncludeName;
            int r = ReadLogicalLine();
            if (r != 1)
            {
                // The lines read on the way (comments, blanks) overwrote or
                // moved the line buffer: there is no current line any more.
                position = lineEnd = nullptr;
            }
            if (r == -1)
                return lastCode =
                           (mode == ScanMode::StatementEnd ? static_cast<int>(';') : static_cast<int>(RapifyEof));
            if (r == 0)
                return RapifyNoMemory;
            position = line;
            tokenStart = nullptr;
            if (mode == ScanMode::StatementEnd)
                return lastCode = ';';
        }
        if (mode == ScanMode::LineRest)
        {
            size_t length = static_cast<size_t>(lineEnd - position);
            if (!EnsureToken(length + 1 > static_cast<size_t>(lineCapacity) ? length + 1
                                                                            : static_cast<size_t>(lineCapacity)))
                return RapifyNoMemory;
            std::memcpy(token, position, length + 1);
            position = lineEnd;
            quoted = false;
            return lastCode = RapifyOk;
        }
        break;
    }

    int r = lastCode = ScanToken(mode);
    if (r != RapifyOk)
        return r;
    for (;;)
    {
        if (mode == ScanMode::RawWord)
            return RapifyOk;
        if (mode == ScanMode::ValueText)
            TrimSpaces(token);
        if (!defines)
            return RapifyOk;
        const char* expansion = nullptr;
        int code = defines->Expand(token, lineCapacity, expansion);
        if (code != RapifyOk)
            return code;
        if (!expansion)
            return RapifyOk;
        if (!PushText(expansion))
            return RapifyNoMemory;
        r = lastCode = ScanToken(mode);
        if (r != RapifyOk)
            return r;
    }
}

char* ConfigScanner::LoadText(const char* path)
{
    if (!stream.OpenInput(path, nullptr, 2))
        return nullptr;
    // The stream's buffer is the text; it is handed over in a block of its own.
    size_t length = stream.Length() > 0 ? stream.Length() - 1 : 0;
    char* text = CopyText(reinterpret_cast<const char*>(stream.Buffer()), length);
    stream.Close();
    return text;
}
