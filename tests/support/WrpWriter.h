// Test-side writers for world files in both layouts, built field by field
// independently of the reader, plus a generated sample world.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"

namespace testsupport
{
struct WorldObject
{
    int32_t id;
    uint32_t modelIndex;
};

// An OPRW world. Grids are the decoded bytes; an empty grid is written as
// zeros of its full size. Version 2 has no sizes in its header and 256 × 256
// cells; version 17 stores its blocks plain, 2 and 3 compressed.
struct OprwWorld
{
    uint32_t version = 3;
    uint32_t sizes[4] = {4, 4, 4, 4};
    Bytes cellFlags, envSounds, indexes, extFlags, elevation;
    Bytes peaks; // records of 12 bytes, count = size / 12
    std::vector<std::pair<std::string, unsigned char>> textures;
    std::vector<std::string> models;
    std::vector<WorldObject> objects;
    uint32_t endMarker = 0xFFFFFFFFu;

    uint64_t Cells() const;
};

Bytes WriteOprw(const OprwWorld& world);
// One block as the world stores it: plain bytes, or packed with checksum.
Bytes WorldBlock(const Bytes& raw, bool plain);
// A world of x × y cells with smooth elevations, sparse flags, a few
// textures and models and count objects, deterministic for a seed.
OprwWorld SampleWorld(uint32_t x, uint32_t y, uint32_t objectCount, unsigned seed);

// A 4WVR world: two grids of x × y 16-bit cells (zeros), texture name slots
// (each written into its 32 bytes, cut to fit) and object records whose
// 76-byte name fields hold the given model names (cut to fit).
Bytes WriteV1(uint32_t x, uint32_t y, const std::vector<std::string>& textures, const std::vector<std::string>& models);
} // namespace testsupport
