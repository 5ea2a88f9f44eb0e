// Binarised config writer: header, entries, class bodies and the enum list
// of the inline, Arma and Xbox layouts.

#include "ConfigWriter.h"

#include <string>

#include <cstring>

#include "../frame/ByteOrder.h"
#include "Classes.h"
#include "EnumTable.h"
#include "RapifyCodes.h"
#include "ValueNumbers.h"

using namespace rapformat;

namespace
{

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

// An array element written as an expression where bodies lie
// apart: a text that begins with '_' or with "(_".
bool IsExpression(const char* text)
{
    return text && (text[0] == '_' || (text[0] == '(' && text[1] == '_'));
}
} // namespace

ConfigWriter::ConfigWriter(int32_t layout)
    : bodiesApart(layout == LayoutArma || layout == LayoutXbox), xbox(layout == LayoutXbox)
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
    byteorder::StoreU32(bytes, v);
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
    if (value < CountStep)
        return PutByte(static_cast<unsigned char>(value));
    return PutByte(static_cast<unsigned char>((value % CountStep) | CountStep)) &&
           PutByte(static_cast<unsigned char>(value / CountStep));
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
    unsigned char subtype = ValueString;
    uint32_t number = 0;
    if (node->kind == EntryKind::String)
    {
        subtype = bodiesApart && !name && IsExpression(node->text) ? ValueExpression : ValueString;
    }
    else if (node->kind == EntryKind::Integer || node->kind == EntryKind::Float)
    {
        int32_t integer = 0;
        if (node->kind == EntryKind::Integer && valuenumbers::IntegerFromText(node->text, integer))
        {
            subtype = ValueLong;
            number = static_cast<uint32_t>(integer);
        }
        else
        {
            // Float texts, and integers beyond 32 bits: the nearest float
            // rather than an integer cut to a wrong value.
            subtype = ValueFloat;
            float real = valuenumbers::FloatFromText(node->text);
            std::memcpy(&number, &real, 4);
        }
    }
    else
    {
        return name ? RapifyUnknownPacket : RapifyUnknownArrayType;
    }
    if (!PutByte(subtype) || (name && !WriteName(name)))
        return RapifyCannotWrite;
    bool ok = subtype == ValueFloat || subtype == ValueLong ? PutLong(number) : WriteName(node->text);
    return ok ? RapifyOk : RapifyCannotWrite;
}

int ConfigWriter::WriteElements(const Classes* array)
{
    if (!WriteCount(CountOf(array->child)))
        return RapifyCannotWrite;
    for (const Classes* element = array->child; element; element = element->next)
    {
        int result = RapifyOk;
        if (element->kind == EntryKind::Array)
            result = PutByte(ValueArray) ? WriteElements(element) : RapifyCannotWrite;
        else if (IsValue(element->kind))
            result = WriteValue(element, nullptr);
        else
            result = RapifyUnknownArrayType;
        if (result)
            return result;
    }
    return RapifyOk;
}

// The entries of one body in list order. Where bodies lie apart, offset is
// where the body of the first class entry goes.
int ConfigWriter::WriteEntries(const Classes* first, uint32_t offset, size_t number)
{
    for (const Classes* node = first; node; node = node->next)
    {
        int result = RapifyOk;
        switch (node->kind)
        {
        case EntryKind::Class:
            if (bodiesApart)
            {
                if (!PutByte(EntryClass) || !WriteName(node->name) || !PutLong(offset))
                    return RapifyCannotWrite;
                offset += SubtreeSize(number);
                subtreeEnd = offset;
            }
            else
            {
                if (!PutByte(EntryClass) || !WriteName(node->name) || !PutString(node->text) ||
                    !WriteCount(sizes[number].count))
                    return RapifyCannotWrite;
                result = WriteEntries(node->child, 0, number + 1);
            }
            number += sizes[number].classes;
            break;
        case EntryKind::DeleteClass:
            // Inline: an empty class of the same name.
            if (bodiesApart)
                result = PutByte(EntryDelete) && WriteName(node->name) ? RapifyOk : RapifyCannotWrite;
            else
                result = PutByte(EntryClass) && WriteName(node->name) && PutString("") && WriteCount(0)
                             ? RapifyOk
                             : RapifyCannotWrite;
            break;
        case EntryKind::ExternClass:
            result = PutByte(EntryExtern) && WriteName(node->name) ? RapifyOk : RapifyCannotWrite;
            break;
        case EntryKind::Array:
            result = PutByte(EntryArray) && WriteName(node->name) ? WriteElements(node) : RapifyCannotWrite;
            break;
        case EntryKind::ArrayAppend:
            result =
                PutByte(EntryAppend) && PutLong(1) && WriteName(node->name) ? WriteElements(node) : RapifyCannotWrite;
            break;
        default:
            if (!IsValue(node->kind))
                return RapifyUnknownPacket;
            result = PutByte(EntryValue) ? WriteValue(node, node->name ? node->name : "") : RapifyCannotWrite;
            break;
        }
        if (result)
            return result;
    }
    return RapifyOk;
}

// A class body and then, depth first, the bodies of its class entries.
int ConfigWriter::WriteBodies(const Classes* node, size_t number)
{
    nextBody += BodySize(number);
    subtreeEnd = nextBody;
    if (!PutString(node->text) || !WriteCount(sizes[number].count))
        return RapifyCannotWrite;
    if (node->child)
    {
        int result = WriteEntries(node->child, nextBody, number + 1);
        if (result)
            return result;
    }
    if (!PutLong(subtreeEnd))
        return RapifyCannotWrite;
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
    return RapifyOk;
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

    PutBytes(Signature, SignatureLength);
    if (!bodiesApart)
    {
        PutBytes(InlineMark, sizeof InlineMark);
        // The root as one class entry with its body inline.
        result = WriteEntries(root, 0, 0);
    }
    else
    {
        static const unsigned char placeholder[XboxSignatureSize] = {};
        if (xbox)
            PutBytes(placeholder, sizeof placeholder);
        PutLong(0);
        PutLong(HeaderEight);
        nextBody = xbox ? XboxHeaderSize : ArmaHeaderSize;
        PutLong(nextBody + SubtreeSize(0));
        result = WriteBodies(root, 0);
    }
    if (!WriteEnumList(enums) && !result)
        result = RapifyCannotWrite;
    if (result)
        return result;

    if (!path || !fileName.Copy(path) || !stream.CreateOutput(path, nullptr, "w+b"))
        return RapifyCannotWrite;
    bool ok = output.size() <= 0xFFFFFFFFu && stream.PutBytes(output.data(), static_cast<uint32_t>(output.size()));
    if (ok && xbox)
        ok = SignFile();
    ok = stream.FinishOutput(ok);
    return ok ? RapifyOk : RapifyCannotWrite;
}
