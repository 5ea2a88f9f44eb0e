// Levels of detail and tags of an editable model: lookups and release of the
// blocks they own.
#include "P3dRecords.h"

#include <cstdlib>

namespace
{
// Node at index of list, or null; index may be any value.
ListNode* NodeAt(const NodeList& list, long index)
{
    if (index < 0)
        return nullptr;
    ListNode* node = list.First();
    while (node && index-- > 0)
        node = node->next;
    return node;
}
} // namespace

P3dTag::~P3dTag()
{
    std::free(tagData);
}

P3dLod::~P3dLod()
{
    std::free(vertices);
    std::free(normals);
    std::free(polygons);
    std::free(polygonTexts);
}

const char* P3dLod::PolygonSignature(long index) const
{
    if (index < 0 || index >= polygonCount || !polygonTexts)
        return nullptr;
    return polygonTexts + static_cast<size_t>(index) * PolygonTextSize;
}

P3dTag* P3dLod::Tag(long index) const
{
    return static_cast<P3dTag*>(NodeAt(tags, index));
}

P3dLod* P3dMlod::Lod(long index) const
{
    if (index < 0 || static_cast<unsigned long>(index) >= lodCount)
        return nullptr;
    return static_cast<P3dLod*>(NodeAt(lods, index));
}
