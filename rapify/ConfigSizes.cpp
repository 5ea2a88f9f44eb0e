// The writer's check of a class tree before anything is written, and the
// body and subtree sizes that place the class bodies of the Arma and Xbox
// layouts.

#include <cstring>
#include <string>

#include "Classes.h"
#include "ConfigWriter.h"
#include "RapifyCodes.h"

using namespace rapformat;

namespace
{
uint64_t TextLength(const char* s)
{
    return s ? std::strlen(s) : 0;
}

// Bytes of a compressed count.
uint64_t CountBytes(uint64_t n)
{
    return n < CountStep ? 1 : 2;
}

bool IsValue(EntryKind kind)
{
    return kind == EntryKind::String || kind == EntryKind::Float || kind == EntryKind::Integer;
}

// Bytes of a value after its subtype byte.
uint64_t ValueSize(const Classes* node)
{
    return node->kind == EntryKind::String ? TextLength(node->text) + 1 : 4;
}

// Largest file offset a long holds.
constexpr uint64_t MaxOffset = 0x7FFFFFFF;
} // namespace

int ConfigWriter::Prepare(const Classes* root)
{
    if (!root || root->kind != EntryKind::Class)
        return RapifyUnknownPacket;
    uint64_t subtree = 0;
    int result = CheckClass(root, 0, subtree);
    if (result)
        return result;
    // The classes' part of the file with bodies apart; the inline layout is
    // about as long, which is worth reserving at once.
    uint64_t header = xbox ? XboxHeaderSize : ArmaHeaderSize;
    if (header + subtree <= MaxOffset)
        output.reserve(static_cast<size_t>(header + subtree) + 4);
    return bodiesApart && header + subtree > MaxOffset ? RapifyCannotWrite : RapifyOk;
}

int ConfigWriter::CheckClass(const Classes* node, int depth, uint64_t& subtree)
{
    if (depth > MaxDepth)
        return RapifyUnknownPacket;
    // The number of this class; the classes below it follow in write order.
    size_t number = sizes.size();
    sizes.push_back(ClassSizes{});
    uint64_t count = 0;
    uint64_t body = TextLength(node->text) + 1 + 4;
    uint64_t below = 0;
    for (const Classes* entry = node->child; entry; entry = entry->next)
    {
        ++count;
        uint64_t name = 1 + TextLength(entry->name) + 1;
        if (entry->kind == EntryKind::Class)
        {
            uint64_t size = 0;
            int result = CheckClass(entry, depth + 1, size);
            if (result)
                return result;
            body += name + 4;
            below += size;
        }
        else if (entry->kind == EntryKind::ExternClass || entry->kind == EntryKind::DeleteClass)
        {
            // The inline layout writes a deleted class as an empty one, and
            // has no form for a class declared without a body.
            if (!bodiesApart && entry->kind == EntryKind::ExternClass)
            {
                problem = std::string("class ") + entry->name + "; has no form in the inline layout";
                return RapifyUnknownPacket;
            }
            body += name;
        }
        else if (entry->kind == EntryKind::Array || entry->kind == EntryKind::ArrayAppend)
        {
            if (!bodiesApart && entry->kind == EntryKind::ArrayAppend)
            {
                problem = std::string(entry->name) + "[] += has no form in the inline layout";
                return RapifyUnknownPacket;
            }
            uint64_t size = 0;
            int result = CheckArray(entry, depth + 1, size);
            if (result)
                return result;
            // The appending form carries a long 1 before its name.
            body += name + size + (entry->kind == EntryKind::ArrayAppend ? 4 : 0);
        }
        else if (IsValue(entry->kind))
        {
            body += 1 + name + ValueSize(entry);
        }
        else
        {
            return RapifyUnknownPacket;
        }
        // Sizes only matter while they fit an offset; stop adding before
        // they could overflow.
        if (bodiesApart && body + below > MaxOffset)
            return RapifyCannotWrite;
    }
    if (count > MaxCount)
    {
        problem = std::string("class ") + node->name + " holds more than " + std::to_string(MaxCount) + " entries";
        return RapifyCannotWrite;
    }
    body += CountBytes(count);
    subtree = body + below;
    if (bodiesApart && subtree > MaxOffset)
        return RapifyCannotWrite;
    // Sizes are only used where bodies lie apart, and there they fit.
    sizes[number] = ClassSizes{static_cast<uint32_t>(body), static_cast<uint32_t>(subtree),
                               static_cast<uint32_t>(count), static_cast<uint32_t>(sizes.size() - number)};
    return RapifyOk;
}

int ConfigWriter::CheckArray(const Classes* array, int depth, uint64_t& size)
{
    if (depth > MaxDepth)
        return RapifyUnknownArrayType;
    uint64_t count = 0;
    uint64_t bytes = 0;
    for (const Classes* element = array->child; element; element = element->next)
    {
        ++count;
        if (element->kind == EntryKind::Array)
        {
            uint64_t nested = 0;
            int result = CheckArray(element, depth + 1, nested);
            if (result)
                return result;
            bytes += 1 + nested;
        }
        else if (IsValue(element->kind))
        {
            bytes += 1 + ValueSize(element);
        }
        else
        {
            return RapifyUnknownArrayType;
        }
        if (bodiesApart && bytes > MaxOffset)
            return RapifyCannotWrite;
    }
    if (count > MaxCount)
    {
        problem = std::string("array ") + (array->name ? array->name : "element") + " holds more than " +
                  std::to_string(MaxCount) + " elements";
        return RapifyCannotWrite;
    }
    size = CountBytes(count) + bytes;
    return RapifyOk;
}
