// The conversion walk: class bodies, entries, values, arrays and the enum list.
#include <cstring>

#include "../frame/Text.h"
#include "DeRap.h"
#include "RapFormat.h"

using namespace rapformat;

namespace
{
unsigned long AsOffset(int value)
{
    return static_cast<unsigned long>(static_cast<uint32_t>(value));
}

bool IsWordChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
} // namespace

RapError DeRap::IndexedFailure(RapError usual) const
{
    return outOfMemory ? RapOutOfMemory : usual;
}

uint32_t DeRap::MoveTo(uint32_t offset)
{
    uint32_t previous = position;
    if (position >= segmentStart)
        consumed += position - segmentStart;
    segmentStart = offset;
    position = offset;
    return previous;
}

RapError DeRap::ProcessClasses()
{
    consumed = 0;
    segmentStart = position;
    if (layout == LayoutInline)
        return ProcessEntryType(-1); // the root entry's lines begin with "//"

    const char* keyword = usePragma ? "pragma" : "define";
    bool written = layout == LayoutXbox ? OutputStr(0, "#%s _XBOX_ WithSignature //%s", keyword, GetAsciiSig(nullptr))
                                        : OutputStr(0, "#%s _ARMA_\r\n", keyword);
    if (!written || !Put("\r\n\r\n", 4))
        return RapOutOfMemory;
    int enumOffset = GetLong();
    if (RootBodyIsEmpty())
    {
        // A config without classes: the header lines, then its enum list.
        MoveTo(static_cast<uint32_t>(enumOffset));
        return RapNoError;
    }
    const char* name = fileName ? text::BaseName(fileName) : "";
    if (!OutputStr(0, "//Class %s{\r\n", name))
        return RapOutOfMemory;
    if (showOffsets && !OutputStr(0, "//NextOffset %08lX\r\n", AsOffset(enumOffset)))
        return RapOutOfMemory;
    RapError result = XBox_ProcessBlock(0, static_cast<uint32_t>(enumOffset));
    if (result != RapNoError)
        return result;
    return Put("//};\r\n", 6) ? RapNoError : RapOutOfMemory;
}

bool DeRap::RootBodyIsEmpty()
{
    uint32_t start = position;
    const char* inherit = GetString();
    bool empty = inherit && !*inherit && GetRazShort() == 0;
    position = start;
    return empty;
}

RapError DeRap::XBox_ProcessBlock(int depth, uint32_t returnOffset)
{
    if (depth > MaxDepth || consumed > size)
        return RapUnexpectedEof;
    const char* inherit = GetString();
    int count = GetRazShort();
    if (!inherit)
        return RapUnexpectedEof;
    if (*inherit)
    {
        // Continues the class line.
        if (!Put(": ", 2) || !Put(inherit))
            return RapOutOfMemory;
        if (depth == 0)
            return RapRootInherits;
    }

    // The root's entries stand at the top level, without braces (an empty
    // root never comes here: it has no class lines at all).
    bool closingLine = false;
    if (depth > 0 && count == 0 && !showOffsets)
    {
        if (!Put("{};\r\n", 5))
            return RapOutOfMemory;
    }
    else if (depth > 0)
    {
        if (!Put("\r\n", 2) || !PutIndent(depth - 1) || !Put("{\r\n", 3))
            return RapOutOfMemory;
        closingLine = true;
    }

    if (count < 0)
        return RapUnexpectedEof;
    for (int i = 0; i < count; ++i)
    {
        RapError result = ProcessEntryType(depth);
        if (result != RapNoError)
            return result;
    }
    if (showOffsets && !OutputStr(depth, "//NextClass %08lX\r\n", AsOffset(GetLong())))
        return RapOutOfMemory;
    if (closingLine && (!PutIndent(depth - 1) || !Put("};\r\n", 4)))
        return RapOutOfMemory;
    MoveTo(returnOffset);
    return RapNoError;
}

RapError DeRap::ProcessEntryType(int depth)
{
    if (depth > MaxDepth)
        return RapUnexpectedEof;
    int type = GetByte();
    switch (type)
    {
    case -1:
        return RapUnexpectedEof;
    case EntryClass:
        return ReadClassBody(depth);
    case EntryValue:
        return ReadVariables(depth);
    case EntryArray:
        return ReadArrayPacket(depth);
    case EntryAppend:
        // Elements added to an inherited array; Arma and Xbox layouts only.
        if (layout == LayoutInline)
            return RapUnknownEntryType;
        if (GetLong() != 1)
            return RapUnknownEntryType;
        return ReadArrayPacket(depth, true);
    case EntryExtern:
    case EntryDelete:
    {
        // Class declaration and delete statement; Arma and Xbox layouts only.
        if (layout == LayoutInline)
            return RapUnknownEntryType;
        const char* name = GetString();
        if (!name)
            return RapUnexpectedEof;
        bool written = PutIndent(depth) && (type == EntryExtern ? Put("class ", 6) : Put("delete ", 7)) && Put(name) &&
                       Put(";\r\n", 3);
        return written ? RapNoError : RapOutOfMemory;
    }
    default:
        return RapUnknownEntryType;
    }
}

RapError DeRap::ReadClassBody(int depth)
{
    if (layout == LayoutInline)
        return ReadInlineClass(depth);
    const char* name = GetString();
    if (!name)
        return RapUnexpectedEof;
    if (!PutIndent(depth) || !Put("class ", 6) || !Put(name))
        return RapOutOfMemory;
    int bodyOffset = GetLong();
    if (showOffsets && !OutputStr(0, "\t/*@%08lX*/", AsOffset(bodyOffset)))
        return RapOutOfMemory;
    uint32_t returnOffset = MoveTo(static_cast<uint32_t>(bodyOffset));
    return XBox_ProcessBlock(depth + 1, returnOffset);
}

RapError DeRap::ReadInlineClass(int depth)
{
    const char* name = GetIndexedStr();
    if (!name)
        return RapOutOfMemory;
    const char* inherit = GetString();
    if (!inherit)
        return RapOutOfMemory;
    bool written = PutIndent(depth) && Put("class ", 6) && Put(name);
    if (*inherit)
        written = written && Put(": ", 2) && Put(inherit);
    if (!written || !Put(" {", 2))
        return RapOutOfMemory;
    int count = GetRazShort();
    if (count < 0)
        return RapUnexpectedEof;
    if (count == 0)
        return Put("};\r\n", 4) ? RapNoError : RapOutOfMemory;
    if (!Put("\r\n", 2))
        return RapOutOfMemory;
    for (int i = 0; i < count; ++i)
    {
        RapError result = ProcessEntryType(depth + 1);
        if (result != RapNoError)
            return result;
    }
    return PutIndent(depth) && Put("};\r\n", 4) ? RapNoError : RapOutOfMemory;
}

RapError DeRap::ReadVariables(int depth)
{
    int subtype = GetByte();
    if (subtype < 0)
        return RapUnexpectedEof;
    const char* name = GetIndexedStr();
    if (!name)
        return RapOutOfMemory;
    if (!*name)
        return RapNameExpected;
    return WriteCommonType(subtype, depth, name);
}

RapError DeRap::ReadArrayPacket(int depth, bool append)
{
    const char* name = GetIndexedStr();
    if (!name)
        return RapOutOfMemory;
    if (!*name)
        return RapNameExpected;
    if (!PutIndent(depth) || !Put(name) || !(append ? Put("[] += {", 7) : Put("[] = {", 6)))
        return RapOutOfMemory;
    RapError result = ReadArray(depth + 1);
    if (result != RapNoError)
        return result;
    return Put("};\r\n", 4) ? RapNoError : RapOutOfMemory;
}

RapError DeRap::ReadArray(int depth)
{
    if (depth > MaxDepth)
        return RapUnexpectedEof;
    int count = GetRazShort();
    if (count < 0)
        return RapUnexpectedEof;
    for (int i = 0; i < count; ++i)
    {
        RapError result = WriteCommonType(GetByte(), depth, nullptr);
        if (result != RapNoError)
            return result;
        if (i + 1 < count && !Put(",", 1))
            return RapOutOfMemory;
    }
    return RapNoError;
}

RapError DeRap::WriteCommonType(int subtype, int depth, const char* name)
{
    if (name && *name && (!PutIndent(depth) || !Put(name) || !Put(" = ", 3)))
        return RapOutOfMemory;
    bool written = true;
    switch (subtype)
    {
    case -1:
        return RapUnexpectedEof;
    case ValueString:
    {
        RapError result = WriteStringValue();
        if (result != RapNoError)
            return result;
        break;
    }
    case ValueFloat:
        written = PutFloat(GetFloat());
        break;
    case ValueLong:
        written = PutInt(GetLong());
        break;
    case ValueArray:
    {
        if (name)
            return RapNamedEmbeddedArray;
        if (!Put("\r\n", 2) || !PutIndent(depth) || !Put("{ ", 2))
            return RapOutOfMemory;
        RapError result = ReadArray(depth + 1);
        if (result != RapNoError)
            return result;
        // No terminator follows a nested array.
        return Put(" }", 2) ? RapNoError : RapOutOfMemory;
    }
    case ValueExpression:
    {
        if (layout == LayoutInline) // expressions are not part of the inline layout
            return name ? RapUnknownEntryType : RapUnknownArrayType;
        const char* expression = GetString();
        if (!expression)
            return RapUnexpectedEof;
        written = Put(expression);
        break;
    }
    default:
        return name ? RapUnknownEntryType : RapUnknownArrayType;
    }
    if (!written || (name && !Put(";\r\n", 3)))
        return RapOutOfMemory;
    return RapNoError;
}

RapError DeRap::WriteStringValue()
{
    const uint32_t start = position;
    const char* s = layout == LayoutInline ? GetIndexedStr() : GetString();
    if (!s)
        return IndexedFailure(RapUnexpectedEof);
    // A string read in place ends just before the position; one of the
    // inline layout's table may stand anywhere before it.
    const uint32_t n = layout == LayoutInline ? static_cast<uint32_t>(std::strlen(s)) : position - start - 1;
    bool quoted = true;
    if (layout == LayoutInline && n)
    {
        // The inline layout writes words bare: "$" references and names made
        // of letters, digits and underscores that are not all digits.
        bool word = true;
        bool digitsOnly = true;
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(s); *c; ++c)
        {
            word = word && IsWordChar(*c);
            digitsOnly = digitsOnly && *c >= '0' && *c <= '9';
        }
        quoted = s[0] != '$' && (!word || digitsOnly);
    }
    if (!quoted)
        return Put(s, n) ? RapNoError : RapOutOfMemory;
    if (!std::memchr(s, '"', n))
        return Put("\"", 1) && Put(s, n) && Put("\"", 1) ? RapNoError : RapOutOfMemory;
    const char* body = DoubleUpQuotes(s);
    if (!body)
        return RapOutOfMemory;
    return Put("\"", 1) && Put(body) && Put("\"", 1) ? RapNoError : RapOutOfMemory;
}

RapError DeRap::ProcessEnumList()
{
    if (position >= size)
        return RapNoError;
    if (size - position < 4)
        return RapUnexpectedEof;
    int count = GetLong();
    if (count == 0)
        return RapNoError;
    if (!Put("enum {\r\n", 8))
        return RapOutOfMemory;
    for (int i = 0; i < count; ++i)
    {
        const char* name = GetString();
        if (!name)
            return RapUnexpectedEof;
        int value = GetLong();
        // One tab whatever the indent character; no comma after the last.
        bool written = Put("\t", 1) && Put(name) && Put("=", 1) && PutInt(value) &&
                       (i + 1 < count ? Put(",\r\n", 3) : Put("\r\n", 2));
        if (!written)
            return RapOutOfMemory;
    }
    return Put("};\r\n", 4) ? RapNoError : RapOutOfMemory;
}
