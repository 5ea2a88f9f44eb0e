// An owned, singly linked list of polymorphic nodes for the format classes.
#pragma once

#include "Export.h"

// Base of the owned, polymorphic nodes kept in a NodeList.
class OSTREL_API ListNode
{
public:
    ListNode() = default;
    virtual ~ListNode();
    ListNode* next = nullptr;
};

// Singly linked list that owns its nodes.
class OSTREL_API NodeList
{
public:
    NodeList() = default;
    ~NodeList() { Clear(); }
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;

    // Links node after the last one and answers it; null is ignored.
    ListNode* Append(ListNode* node);
    // The node index links from the first, or null.
    ListNode* At(int index) const;
    // Deletes every node, first to last.
    void Clear();
    ListNode* First() const { return first; }

private:
    ListNode* first = nullptr;
    ListNode* last = nullptr;
};
