#pragma once

// The string table of the inline binarised layout: one owned text per index,
// in index order, found again without regard to ASCII letter case.

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "../frame/NodeList.h"
#include "../frame/OwnedString.h"

// One entry of the table; the node owns its text.
class NameNode : public ListNode
{
public:
    OwnedString text;
};

// Texts in order of first use, with a case-insensitive hash index so that a
// lookup costs the same however many strings the file holds.
class NameTable
{
public:
    // The index of a text equal to text ignoring ASCII case, or -1.
    int32_t Find(const char* text) const;
    // Appends a copy of text (a new index, one past the last); -1 when the
    // copy cannot be made.
    int32_t Add(const char* text);
    int32_t Count() const { return count; }
    void Clear();

    // Hashing and equality of texts ignoring ASCII letter case.
    struct NoCaseHash
    {
        size_t operator()(const char* s) const;
    };
    struct NoCaseEqual
    {
        bool operator()(const char* a, const char* b) const;
    };

private:
    NodeList strings;
    // Keys point at the texts the nodes own.
    std::unordered_map<const char*, int32_t, NoCaseHash, NoCaseEqual> index;
    int32_t count = 0;
};
