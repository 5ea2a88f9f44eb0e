// Decoded parts of an editable model kept by the model inspector: the model
// record with its levels of detail, each level's blocks and named tags.
#pragma once

#include <cstdint>

#include "../frame/NodeList.h"

// One named tag of a level; tagSize is the number of data bytes held.
class P3dTag : public ListNode
{
public:
    ~P3dTag() override;

    char tagName[65] = {}; // 64 stored bytes, always terminated
    uint32_t tagSize = 0;
    void* tagData = nullptr;
};

// One level of detail. The blocks are the raw records copied from the file.
class P3dLod : public ListNode
{
public:
    ~P3dLod() override;

    // Text of polygon index, at most 32 characters; null when out of range.
    const char* PolygonSignature(long index) const;
    P3dTag* Tag(long index) const;

    NodeList tags;
    char signature[5] = {};
    uint32_t versionHigh = 0;
    uint32_t versionLow = 0;
    int32_t vertexCount = 0;
    int32_t normalCount = 0;
    int32_t polygonCount = 0;
    uint32_t lodFlags = 0;
    void* vertices = nullptr;
    void* normals = nullptr;
    void* polygons = nullptr;
    // polygonCount texts of PolygonTextSize bytes: each polygon's signature
    // field, terminated even when its 32 bytes hold no zero byte.
    char* polygonTexts = nullptr;
    char tagMarker[4] = {};
    int32_t tagCount = 0;
    unsigned char closingValue[4] = {};

    static constexpr int PolygonSize = 104;
    static constexpr int PolygonTextSize = 33;
};

// Editable ("MLOD") model: header values and the levels in file order.
class P3dMlod
{
public:
    // The level at index when the header counts it and it was read; else null.
    P3dLod* Lod(long index) const;

    NodeList lods;
    float version = 0;
    uint32_t lodCount = 0;
};

// Binarised ("ODOL") model: recognised, never decoded.
class P3dOdol
{
public:
    uint32_t lodCount = 0;
};
