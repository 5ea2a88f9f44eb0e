// Test-side writer of editable model files: header, levels with points,
// normals, polygons and named tags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/P3dFormat.h"
#include "support/TempDir.h"

namespace modeltest
{
using testsupport::Bytes;

struct Corner
{
    int32_t point, normal;
};
struct Polygon
{
    std::string signature; // zero-padded to 32 bytes
    std::vector<Corner> corners;
    int32_t cornerCount = -1; // -1: the number of corners given
};
struct Tag
{
    std::string name; // zero-padded to 64 bytes
    uint32_t stored;  // size field as written
    size_t dataBytes; // data bytes that follow
};
struct Lod
{
    int32_t vertices = 0, normals = 0;
    std::vector<Polygon> polygons;
    std::vector<Tag> tags; // "#EndOfFile#" follows unless endTag is false
    uint32_t flags = 0;
    bool endTag = true;
    int64_t polygonCountField = -1; // -1: the number of polygons given
};

class ModelBytes
{
public:
    ModelBytes& Text(const std::string& s, size_t width = 0)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return Fill(width > s.size() ? width - s.size() : 0, 0);
    }
    ModelBytes& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
        return *this;
    }
    ModelBytes& Fill(size_t n, unsigned char b = 0x3C)
    {
        bytes.insert(bytes.end(), n, b);
        return *this;
    }
    // "MLOD", a version word (the float 1.1 by default) and the level count.
    ModelBytes& Header(uint32_t lods, uint32_t version = p3d::VersionFloat)
    {
        return Text(p3d::EditableSignature).U32(version).U32(lods);
    }
    ModelBytes& Level(const Lod& lod)
    {
        size_t polygons = lod.polygons.size();
        Text(p3d::LodSignature).U32(p3d::LodVersionHigh).U32(p3d::LodVersionLow).U32(lod.vertices).U32(lod.normals);
        U32(static_cast<uint32_t>(lod.polygonCountField >= 0 ? lod.polygonCountField : polygons)).U32(lod.flags);
        Fill(16 * static_cast<size_t>(lod.vertices)).Fill(12 * static_cast<size_t>(lod.normals));
        for (const Polygon& p : lod.polygons)
        {
            Text(p.signature, 32).U32(p.cornerCount >= 0 ? p.cornerCount : static_cast<uint32_t>(p.corners.size()));
            for (size_t c = 0; c < 4; ++c)
            {
                Corner corner = c < p.corners.size() ? p.corners[c] : Corner{0, 0};
                U32(corner.point).U32(corner.normal).Fill(8, 0);
            }
            Fill(4, 0);
        }
        Text("TAGG");
        for (const Tag& t : lod.tags)
            Text(t.name, 64).U32(t.stored).Fill(t.dataBytes, 0x11);
        return lod.endTag ? Text("#EndOfFile#", 64).U32(0).U32(0xC105ED) : *this;
    }
    const Bytes& Get() const { return bytes; }

private:
    Bytes bytes;
};

// A level shaped like those of published models: eight points, six normals,
// a quad and a triangle, and the usual tags. With byteMass the "#Mass#" size
// is stored in bytes (4 per point), else as a count of floats.
inline Lod RealLevel(bool byteMass)
{
    Lod lod;
    lod.vertices = 8;
    lod.normals = 6;
    lod.flags = 0x10;
    lod.polygons = {{"data\\tex_co.paa", {{0, 0}, {1, 0}, {2, 1}, {3, 1}}}, {"", {{4, 5}, {5, 5}, {7, 2}}}};
    lod.tags = {{"#SharpEdges#", 16, 16},
                {"#Selected#", 10, 10},
                {"#Property#", 128, 128},
                {"#Mass#", byteMass ? 32u : 8u, 32}};
    return lod;
}
} // namespace modeltest
