// Binarised config writer: header, entries, class bodies and the enum list
// of the inline, Arma and Xbox layouts.

#include "ConfigWriter.h"

#include <string>

#include <cstring>

#include "../codec/ByteOrder.h"
#include "Classes.h"
#include "EnumTable.h"
#include "ValueNumbers.h"

namespace
{
const unsigned char Signature[4] = {0x00, 0x72, 0x61, 0x50};
const unsigned char InlineMark[3] = {0x04, 0x00, 0x00};

bool IsValue(EntryKind kind)
{
    return kind == EntryKind::String || kind == EntryKind::Float || kind == EntryKind::Integer;
}

uint32_t CountOf(const Classes* first)
{
    uint32_t n = 0;
    for (; first; first = first->next)
        ++n;
    return n;
}

// An array element written as an expression (subtype 4) where bodies lie
// apart: a text that begins with '_' or with "(_".
bool IsExpression(const char* text)
{
    return text && (text[0] == '_' || (text[0] == '(' && text[1] == '_'));
}
} // namespace

ConfigWriter::ConfigWriter(int32_t layout) : bodiesApart(layout == 1 || layout == 2), xbox(layout == 2)
{
}

bool ConfigWriter::PutBytes(const void* data, size_t n)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    output.insert(output.end(), p, p + n);
    return !failed;
}

bool ConfigWriter::PutByte(unsigned char b)
{
    output.push_back(b);
    return !failed;
}

bool ConfigWriter::PutLong(uint32_t v)
{
    unsigned char bytes[4];
    codec::StoreU32(bytes, v);
    return PutBytes(bytes, 4);
}

bool ConfigWriter::PutString(const char* text)
{
    if (text && *text && !PutBytes(text, std::strlen(text)))
        return false;
    return PutByte(0);
}

bool ConfigWriter::WriteCount(uint32_t value)
{
    if (value < 128)
        return PutByte(static_cast<unsigned char>(value));
    return PutByte(static_cast<unsigned char>((value & 0x7F) | 0x80)) &&
           PutByte(static_cast<unsigned char>(value >> 7));
}

bool ConfigWriter::WriteName(const char* text)
{
    if (bodiesApart)
        return PutString(text);
    // Inline layout: the index of the first text equal to this one ignoring
    // letter case; a new text is written after its new index. More strings
    // than a count can number make the tree unwritable.
    bool added = false;
    int32_t index = strings.Intern(text, added);
    if (index < 0 || index > MaxCount)
    {
        if (index > MaxCount)
            problem = "the inline layout holds no more than " + std::to_string(MaxCount + 1) +
                      " distinct names and strings; \"" + text + "\" is one more";
        failed = true;
        return false;
    }
    return WriteCount(static_cast<uint32_t>(index)) && (!added || PutString(text));
}

// A value entry (name given) or an array element (name null): subtype, the
// name, the value.
int ConfigWriter::WriteValue(const Classes* node, const char* name)
{
    unsigned char subtype = 0;
    uint32_t number = 0;
    if (node->kind == EntryKind::String)
    {
        subtype = bodiesApart && !name && IsExpression(node->text) ? 4 : 0;
    }
    else if (node->kind == EntryKind::Integer || node->kind == EntryKind::Float)
    {
        int32_t integer = 0;
        if (node->kind == EntryKind::Integer && valuenumbers::IntegerFromText(node->text, integer))
        {
            subtype = 2;
            number = static_cast<uint32_t>(integer);
        }
        else
        {
            // Float texts, and integers beyond 32 bits: the nearest float
            // rather than an integer cut to a wrong value.
            subtype = 1;
            float real = valuenumbers::FloatFromText(node->text);
            std::memcpy(&number, &real, 4);
        }
    }
    else
    {
        return name ? 2 : 3;
    }
    if (!PutByte(subtype) || (name && !WriteName(name)))
        return 4;
    bool ok = subtype == 1 || subtype == 2 ? PutLong(number) : WriteName(node->text);
    return ok ? 0 : 4;
}

int ConfigWriter::WriteElements(const Classes* array)
{
    if (!WriteCount(CountOf(array->child)))
        return 4;
    for (const Classes* element = array->child; element; element = element->next)
    {
        int result = 0;
        if (element->kind == EntryKind::Array)
            result = PutByte(3) ? WriteElements(element) : 4;
        else if (IsValue(element->kind))
            result = WriteValue(element, nullptr);
        else
            result = 3;
        if (result)
            return result;
    }
    return 0;
}

// The entries of one body in list order. Where bodies lie apart, offset is
// where the body of the first class entry goes.
int ConfigWriter::WriteEntries(const Classes* first, uint32_t offset, size_t number)
{
    for (const Classes* node = first; node; node = node->next)
    {
        int result = 0;
        switch (node->kind)
        {
        case EntryKind::Class:
            if (bodiesApart)
            {
                if (!PutByte(0) || !WriteName(node->name) || !PutLong(offset))
                    return 4;
                offset += SubtreeSize(number);
                subtreeEnd = offset;
            }
            else
            {
                if (!PutByte(0) || !WriteName(node->name) || !PutString(node->text) ||
                    !WriteCount(sizes[number].count))
                    return 4;
                result = WriteEntries(node->child, 0, number + 1);
            }
            number += sizes[number].classes;
            break;
        case EntryKind::DeleteClass:
            // Inline: an empty class of the same name.
            if (bodiesApart)
                result = PutByte(4) && WriteName(node->name) ? 0 : 4;
            else
                result = PutByte(0) && WriteName(node->name) && PutString("") && WriteCount(0) ? 0 : 4;
            break;
        case EntryKind::ExternClass:
            result = PutByte(3) && WriteName(node->name) ? 0 : 4;
            break;
        case EntryKind::Array:
            result = PutByte(2) && WriteName(node->name) ? WriteElements(node) : 4;
            break;
        default:
            if (!IsValue(node->kind))
                return 2;
            result = PutByte(1) ? WriteValue(node, node->name ? node->name : "") : 4;
            break;
        }
        if (result)
            return result;
    }
    return 0;
}

// A class body and then, depth first, the bodies of its class entries.
int ConfigWriter::WriteBodies(const Classes* node, size_t number)
{
    nextBody += BodySize(number);
    subtreeEnd = nextBody;
    if (!PutString(node->text) || !WriteCount(sizes[number].count))
        return 4;
    if (node->child)
    {
        int result = WriteEntries(node->child, nextBody, number + 1);
        if (result)
            return result;
    }
    if (!PutLong(subtreeEnd))
        return 4;
    size_t below = number + 1;
    for (const Classes* entry = node->child; entry; entry = entry->next)
    {
        if (entry->kind != EntryKind::Class)
            continue;
        int result = WriteBodies(entry, below);
        if (result)
            return result;
        below += sizes[below].classes;
    }
    return 0;
}

bool ConfigWriter::WriteEnumList(const EnumTable& enums)
{
    int32_t count = enums.Count();
    if (!PutLong(static_cast<uint32_t>(count)))
        return false;
    for (int32_t i = 0; i < count; ++i)
    {
        if (!PutString(enums.Name(i)) || !PutLong(static_cast<uint32_t>(enums.Value(i))))
            return false;
    }
    return true;
}

int ConfigWriter::Write(const char* path, const Classes* root, const EnumTable& enums)
{
    int result = Prepare(root);
    if (result)
        return result;

    PutBytes(Signature, sizeof Signature);
    if (!bodiesApart)
    {
        PutBytes(InlineMark, sizeof InlineMark);
        // The root as one class entry with its body inline.
        result = WriteEntries(root, 0, 0);
    }
    else
    {
        static const unsigned char placeholder[SignatureSize] = {};
        if (xbox)
            PutBytes(placeholder, sizeof placeholder);
        PutLong(0);
        PutLong(8);
        nextBody = xbox ? 36 : 16;
        PutLong(nextBody + SubtreeSize(0));
        result = WriteBodies(root, 0);
    }
    if (!WriteEnumList(enums) && !result)
        result = 4;
    if (result)
        return result;

    if (!path || !fileName.Copy(path) || !stream.CreateOutput(path, nullptr, "w+b"))
        return 4;
    bool ok = output.size() <= 0xFFFFFFFFu && stream.PutBytes(output.data(), static_cast<uint32_t>(output.size()));
    if (ok && xbox)
        ok = SignFile();
    ok = stream.FinishOutput(ok);
    return ok ? 0 : 4;
}
