// Macro definition, argument splitting and expansion for the config compiler.

#include "DefineTable.h"

#include <cstring>

#include "ConfigScanner.h"
#include "RapifyCodes.h"

namespace
{
void TrimString(std::string& text)
{
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
    {
        text.clear();
        return;
    }
    size_t end = text.find_last_not_of(' ');
    text = text.substr(start, end - start + 1);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Letters, digits and '_': the characters of an identifier.
bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
}

// Rewrites every whole identifier equal to parameter as its marker; a "##"
// right after it is dropped, a single '#' is refused (31).
int MarkParameter(std::string& body, const std::string& parameter, int index)
{
    const std::string marker = "#" + std::to_string(index) + "#";
    std::string out;
    out.reserve(body.size());
    size_t i = 0;
    while (i < body.size())
    {
        if (!IsNameChar(body[i]))
        {
            out += body[i++];
            continue;
        }
        size_t start = i;
        while (i < body.size() && IsNameChar(body[i]))
            ++i;
        if (body.compare(start, i - start, parameter) != 0)
        {
            out.append(body, start, i - start);
            continue;
        }
        out += marker;
        if (i < body.size() && body[i] == '#')
        {
            if (i + 1 < body.size() && body[i + 1] == '#')
                i += 2;
            else
                return RapifyCannotHandleHash;
        }
    }
    body.swap(out);
    return RapifyOk;
}
} // namespace

DefineTable::~DefineTable()
{
    while (head)
    {
        DefineEntry* next = head->next;
        delete head;
        head = next;
    }
}

const DefineTable::DefineEntry* DefineTable::Find(const char* name, size_t length) const
{
    if (count == 0)
        return nullptr;
    auto found = index.find(std::string(name, length));
    return found == index.end() ? nullptr : found->second;
}

int DefineTable::AddDefine(const std::string& name, const std::string& body)
{
    DefineEntry* entry = new DefineEntry{name, body, nullptr};
    if (tail)
        tail->next = entry;
    else
        head = entry;
    tail = entry;
    ++count;
    index.emplace(entry->name, entry);
    return RapifyOk;
}

bool DefineTable::SplitArguments(const char* text)
{
    args.clear();
    std::string current;
    int depth = 0;
    for (const char* c = text;; ++c)
    {
        if (*c == '\0' || (*c == ')' && depth == 0))
            break;
        if (*c == ',')
        {
            TrimString(current);
            args.push_back(current);
            current.clear();
            continue;
        }
        if (*c == '(')
            ++depth;
        else if (*c == ')')
            --depth;
        current += *c;
    }
    TrimString(current);
    args.push_back(current);
    return true;
}

int DefineTable::Define(const char* nameText, const char* bodyText)
{
    std::string name = nameText ? nameText : "";
    std::vector<std::string> parameters;
    size_t open = name.find('(');
    if (open != std::string::npos)
    {
        if (name.find(')', open + 1) == std::string::npos)
            return RapifyNoEndParenthesis;
        SplitArguments(name.c_str() + open + 1);
        parameters.swap(args);
        name.resize(open);
    }
    std::string body = bodyText ? bodyText : "";
    TrimString(body);
    for (size_t i = 0; i < parameters.size(); ++i)
    {
        int r = MarkParameter(body, parameters[i], static_cast<int>(i));
        if (r != RapifyOk)
            return r;
    }
    return AddDefine(name, body);
}

int DefineTable::Expand(const char* token, int32_t lineCapacity, const char*& result)
{
    result = nullptr;
    const char* open = std::strchr(token, '(');
    if (!open)
    {
        if (const DefineEntry* entry = Find(token, std::strlen(token)))
            result = entry->body.c_str();
        return RapifyOk;
    }
    if (!std::strchr(open + 1, ')'))
        return RapifyExpectedParenthesis;
    const DefineEntry* entry = Find(token, static_cast<size_t>(open - token));
    if (!entry)
        return RapifyOk;

    // The expansion, with its zero byte, must fit twice the line capacity.
    const size_t limit = lineCapacity > 0 ? static_cast<size_t>(lineCapacity) * 2 : 0;
    SplitArguments(open + 1);
    expansion.clear();
    const std::string& body = entry->body;
    int code = RapifyOk;
    for (size_t i = 0; i < body.size() && code == RapifyOk;)
    {
        if (body[i] == '#')
        {
            if (i + 1 < body.size() && body[i + 1] == '#')
            {
                i += 2;
                continue;
            }
            size_t digits = i + 1;
            while (digits < body.size() && IsDigit(body[digits]))
                ++digits;
            if (digits > i + 1 && digits < body.size() && body[digits] == '#')
            {
                // Markers name arguments by index; one past the arguments given
                // (or too long to be an index) has no argument.
                size_t index = args.size();
                if (digits - (i + 1) <= 9)
                    index = static_cast<size_t>(std::stoul(body.substr(i + 1, digits - (i + 1))));
                if (index >= args.size())
                {
                    code = RapifyNotEnoughParameters;
                    break;
                }
                expansion += args[index];
                i = digits + 1;
            }
            else
            {
                expansion += body[i++];
            }
        }
        else
        {
            expansion += body[i++];
        }
        if (expansion.size() + 1 > limit)
            code = RapifyNoMemory;
    }
    args.clear();
    if (code == RapifyOk)
        result = expansion.c_str();
    return code;
}
