// The string table of the inline binarised layout: one owned text per index,
// in index order, found again without regard to ASCII letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../frame/NodeList.h"
#include "../frame/OwnedString.h"

// One entry of the table; the node owns its text.
class NameNode : public ListNode
{
public:
    OwnedString text;
};

// Texts in order of first use, with a case-insensitive hash index (open
// addressing over the texts' hashes) so that a lookup costs the same however
// many strings the file holds. Measured on a 10 MB config: a node-based
// std::unordered_map with the same hash (and a second pass to count distinct
// texts) made the inline layout cost about 95 ms more than the Arma layout;
// this table, with one pass, about 20 ms.
class NameTable
{
public:
    // The index of the first text equal to text ignoring ASCII case; a new
    // text is appended (a copy) and gets the next index, and added is set.
    // -1 when the copy cannot be made.
    int32_t Intern(const char* text, bool& added);
    int32_t Count() const { return count; }
    void Clear();

    // FNV-1a of the lower-cased bytes.
    static uint64_t Hash(const char* text);

private:
    struct Slot
    {
        uint64_t hash;
        const char* text; // owned by a node of strings; null for a free slot
        int32_t index;
    };
    void Grow();

    NodeList strings;
    std::vector<Slot> slots; // a power of two in size, at most half used
    int32_t count = 0;
};
