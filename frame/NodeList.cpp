// The owned list of polymorphic nodes: append, walk and release.

#include "NodeList.h"

ListNode::~ListNode() = default;

ListNode* NodeList::Append(ListNode* node)
{
    if (!node)
        return nullptr;
    node->next = nullptr;
    if (last)
        last->next = node;
    else
        first = node;
    last = node;
    return node;
}

ListNode* NodeList::At(int index) const
{
    if (index < 0)
        return nullptr;
    ListNode* node = first;
    while (node && index-- > 0)
        node = node->next;
    return node;
}

void NodeList::Clear()
{
    ListNode* node = first;
    while (node)
    {
        ListNode* next = node->next;
        delete node;
        node = next;
    }
    first = last = nullptr;
}
