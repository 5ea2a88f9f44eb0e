// The config grammar: bodies, classes, statements and arrays read into the
// class tree, and the typing of values.

#include "Classes.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "../frame/AllocFail.h"
#include "../frame/Text.h"
#include "ConfigScanner.h"
#include "DefineTable.h"
#include "RapifyCodes.h"
#include "ValueNumbers.h"

namespace
{
char* Duplicate(const char* text)
{
    size_t length = std::strlen(text);
    char* copy = static_cast<char*>(ostrel_internal::alloc::Allocate(length + 1));
    if (copy)
        std::memcpy(copy, text, length + 1);
    return copy;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The name in the one-token form "__EMPTYCLASS(Name)", spaces trimmed; empty
// when word is not of that form.
std::string EmptyClassCall(const char* word)
{
    static const char keyword[] = "__EMPTYCLASS(";
    const size_t length = sizeof(keyword) - 1;
    size_t size = std::strlen(word);
    if (size < length + 2 || word[size - 1] != ')')
        return std::string();
    for (size_t i = 0; i < length; ++i)
    {
        if (text::Lower(word[i]) != text::Lower(keyword[i]))
            return std::string();
    }
    std::string name(word + length, size - length - 1);
    size_t first = name.find_first_not_of(' ');
    size_t last = name.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    name = name.substr(first, last - first + 1);
    // A plain name only: no further parentheses or separators.
    if (name.find_first_of("() ") != std::string::npos)
        return std::string();
    return name;
}
} // namespace

ClassArena::~ClassArena()
{
    for (void* block : blocks)
        std::free(block);
}

void* ClassArena::Allocate(size_t bytes)
{
    const size_t align = alignof(std::max_align_t);
    bytes = (bytes + align - 1) & ~(align - 1);
    if (bytes > left)
    {
        // A large text gets a block of its own; the current block goes on.
        const bool own = bytes > BlockBytes / 4;
        const size_t size = own ? bytes : BlockBytes;
        void* block = ostrel_internal::alloc::Allocate(size);
        if (!block)
            return nullptr;
        try
        {
            blocks.push_back(block);
        }
        catch (...)
        {
            std::free(block);
            return nullptr;
        }
        if (own)
            return block;
        next = static_cast<char*>(block);
        left = size;
    }
    void* carved = next;
    next += bytes;
    left -= bytes;
    return carved;
}

Classes::Classes(ConfigScanner* source) : scanner(source) {}

Classes::~Classes()
{
    if (!carved)
    {
        std::free(name);
        std::free(text);
        FreeList(child);
        FreeList(next);
    }
    if (ownsArena)
        delete arena;
}

char* Classes::CopyText(const char* source) const
{
    if (!carved)
        return Duplicate(source);
    size_t length = std::strlen(source);
    char* copy = static_cast<char*>(arena->Allocate(length + 1));
    if (copy)
        std::memcpy(copy, source, length + 1);
    return copy;
}

void Classes::FreeList(Classes* first)
{
    // Carved nodes go with their arena.
    while (first && !first->carved)
    {
        Classes* following = first->next;
        first->next = nullptr;
        delete first;
        first = following;
    }
}

Classes* Classes::AppendChild()
{
    if (!arena)
    {
        arena = ostrel_internal::alloc::New<ClassArena>();
        if (!arena)
            return nullptr;
        ownsArena = true;
    }
    void* place = arena->Allocate(sizeof(Classes));
    if (!place)
        return nullptr;
    Classes* node = new (place) Classes(scanner);
    node->arena = arena;
    node->carved = true;
    if (lastChild)
        lastChild->next = node;
    else
        child = node;
    lastChild = node;
    return node;
}

int Classes::SetValue(const char* value)
{
    // Preprocessed text (the current dialect) also knows hexadecimal
    // integers: stored as their decimal text, typed as any other.
    char decimal[400];
    const char* source = value;
    if (scanner->Plain() && !scanner->Quoted() && valuenumbers::DecimalFromHex(value, decimal, sizeof decimal))
        source = decimal;
    if (!carved)
        std::free(text);
    text = CopyText(source);
    if (!text)
        return RapifyNoMemory;
    kind = EntryKind::String;
    if (scanner->Quoted())
        return RapifyOk;
    const char* c = text;
    if (!IsDigit(*c) && *c != '.' && *c != '-')
        return RapifyOk;
    if (*c == '-')
        ++c;
    if (!*c)
        return RapifyOk;
    bool point = false;
    for (; *c; ++c)
    {
        if (*c == '.' && !point)
            point = true;
        else if (!IsDigit(*c))
            return RapifyOk;
    }
    kind = point ? EntryKind::Float : EntryKind::Integer;
    return RapifyOk;
}

int Classes::ParseBody(const char* folder, int32_t* layout, int depth)
{
    const bool fileLevel = layout != nullptr;
    for (;;)
    {
        int r = scanner->NextToken(ScanMode::Word);
        if (r == RapifyEof)
            return fileLevel ? RapifyOk : RapifyExpectedStatement;
        if (r == '}')
        {
            if (fileLevel)
                return RapifyUnexpectedBrace;
            return scanner->NextToken(ScanMode::StatementEnd) == ';' ? RapifyOk : RapifyExpectedSemicolon;
        }
        if (r != RapifyOk)
            return RapifyExpectedStatement;

        const char* word = scanner->Token();
        if (text::EqualNoCase(word, "#pragma"))
            r = scanner->PragmaDirective(layout);
        else if (text::EqualNoCase(word, "#define"))
            r = scanner->DefineDirective(layout);
        else if (text::EqualNoCase(word, "#include"))
            r = scanner->IncludeDirective(folder);
        else if (text::EqualNoCase(word, "enum"))
            r = scanner->Defines()->ParseEnum(*scanner);
        else
        {
            bool isClass = text::EqualNoCase(word, "class");
            Classes* node = AppendChild();
            if (!node)
                return RapifyNoMemory;
            r = isClass ? node->ParseClass(folder, depth) : node->ParseStatement(word);
        }
        if (r != RapifyOk)
            return r;
    }
}

int Classes::ParseClass(const char* folder, int depth)
{
    if (scanner->NextToken(ScanMode::Word) != RapifyOk)
        return RapifyExpectedClassName;
    kind = EntryKind::Class;
    name = CopyText(scanner->Token());
    if (!name)
        return RapifyNoMemory;
    int r = scanner->NextToken(ScanMode::Word);
    if (r == ';')
    {
        kind = EntryKind::ExternClass;
        return RapifyOk;
    }
    if (r == ':')
    {
        if (scanner->NextToken(ScanMode::Word) != RapifyOk)
            return RapifyExpectedInheritLabel;
        text = CopyText(scanner->Token());
        if (!text)
            return RapifyNoMemory;
        if (scanner->NextToken(ScanMode::Word) != '{')
            return RapifyExpectedBraceAfterInherit;
    }
    else if (r != '{')
    {
        return RapifyExpectedInheritOrBrace;
    }
    // Nesting is bounded so that hostile text cannot exhaust the stack.
    if (depth + 1 > MaxDepth)
        return RapifyNoMemory;
    return ParseBody(folder, nullptr, depth + 1);
}

int Classes::ParseStatement(const char* word)
{
    const bool isExtern = text::EqualNoCase(word, "extern");
    const bool isIntern = text::EqualNoCase(word, "intern");
    const bool isDelete = text::EqualNoCase(word, "delete") || text::EqualNoCase(word, "__EMPTYCLASS");
    std::string emptyClass = EmptyClassCall(word);
    if (isExtern || isIntern || isDelete || !emptyClass.empty())
    {
        if (emptyClass.empty())
        {
            if (scanner->NextToken(ScanMode::Word) != RapifyOk)
                return RapifyExpectedStatement;
            // "extern class A;" and "intern class A;" name the class after the keyword.
            if ((isExtern || isIntern) && text::EqualNoCase(scanner->Token(), "class") &&
                scanner->NextToken(ScanMode::Word) != RapifyOk)
                return RapifyExpectedStatement;
            emptyClass = scanner->Token();
        }
        kind = isIntern ? EntryKind::ExternClass : EntryKind::DeleteClass;
        name = CopyText(emptyClass.c_str());
        if (!name)
            return RapifyNoMemory;
        return scanner->NextToken(ScanMode::StatementEnd) == ';' ? RapifyOk : RapifyExpectedSemicolon;
    }

    name = CopyText(word);
    if (!name)
        return RapifyNoMemory;
    int r = scanner->NextToken(ScanMode::Word);
    if (r == '=')
    {
        r = scanner->NextToken(ScanMode::ValueText);
        if (r == ';')
            return SetValue("");
        if (r != RapifyOk)
            return RapifyExpectedValue;
        if (SetValue(scanner->Token()) != RapifyOk)
            return RapifyNoMemory;
        return scanner->NextToken(ScanMode::StatementEnd) == ';' ? RapifyOk : RapifyExpectedSemicolon;
    }
    if (r != '[')
        return RapifyExpectedArrayOrAssign;
    if (scanner->NextToken(ScanMode::Word) != ']')
        return RapifyExpectedBracket;
    r = scanner->NextToken(ScanMode::Word);
    // "+=" (read as the word "+" and then '=') only in preprocessed text.
    const bool append = r == RapifyOk && scanner->Plain() && std::strcmp(scanner->Token(), "+") == 0;
    if (append)
        r = scanner->NextToken(ScanMode::Word);
    if (r != '=')
        return RapifyExpectedAssign;
    if (scanner->NextToken(ScanMode::Word) != '{')
        return RapifyExpectedArrayBrace;
    r = ParseArray(false, 0);
    if (append)
        kind = EntryKind::ArrayAppend;
    return r;
}

int Classes::ParseArray(bool nested, int depth)
{
    kind = EntryKind::Array;
    bool elementSeen = nested;
    for (;;)
    {
        int r = scanner->NextToken(ScanMode::Word);
        if (r == RapifyOk || r == ',')
        {
            if (r == ',' && elementSeen)
            {
                elementSeen = false;
                continue;
            }
            Classes* element = AppendChild();
            if (!element || element->SetValue(r == RapifyOk ? scanner->Token() : "") != RapifyOk)
                return RapifyNoMemory;
            elementSeen = r == RapifyOk;
        }
        else if (r == '{')
        {
            if (depth + 1 > MaxDepth)
                return RapifyNoMemory;
            Classes* element = AppendChild();
            if (!element)
                return RapifyNoMemory;
            r = element->ParseArray(true, depth + 1);
            if (r != RapifyOk)
                return r;
            elementSeen = true;
        }
        else if (r == '}')
        {
            if (nested)
                return RapifyOk;
            return scanner->NextToken(ScanMode::StatementEnd) == ';' ? RapifyOk : RapifyExpectedSemicolon;
        }
        else
        {
            return RapifyExpectedArrayValue;
        }
    }
}
