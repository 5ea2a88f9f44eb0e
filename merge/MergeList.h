// The merge list of a patch run: one node per entry of the merged archive.
#pragma once

#include "frame/NodeList.h"
#include "pbo/Ostrel.h"

// What happens to one entry of the merged archive.
enum MergeAction
{
    Keep = 0,    // target entry that no patch entry names
    Replace = 1, // patch entry with data whose name the target has
    Add = 2,     // patch entry whose name the target lacks
    Delete = 3   // empty patch entry whose name the target has: neither written nor copied
};

// One entry of the merge; the entry belongs to the patch or target archive.
struct MergeNode : public ListNode
{
    pbo_entry* entry = nullptr;
    MergeAction action = Keep;

    const MergeNode* Next() const { return static_cast<const MergeNode*>(next); }
};

// The merge in output order. Owns its nodes, not the entries.
class MergeList
{
public:
    // Appends at the tail; false when memory runs out.
    bool Append(pbo_entry* entry, MergeAction action);
    // The patch's entries in order (Replace, Delete or Add), then the target's
    // entries that no patch entry names (Keep). Names compare without case.
    // False when memory runs out.
    bool Build(const Ostrel& patch, const Ostrel& target);

    const MergeNode* First() const { return static_cast<const MergeNode*>(nodes.First()); }

private:
    NodeList nodes;
};
