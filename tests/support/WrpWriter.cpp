// World file writers for the tests and benchmarks.
#include "WrpWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "Compressor.h"

namespace testsupport
{
namespace
{
void PutU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutGrid(Bytes& out, const Bytes& grid, uint64_t size, bool plain)
{
    Bytes raw = grid.empty() ? Bytes(size, 0) : grid;
    Bytes block = WorldBlock(raw, plain);
    out.insert(out.end(), block.begin(), block.end());
}

void PutField(Bytes& out, const std::string& text, size_t width)
{
    size_t n = std::min(text.size(), width);
    out.insert(out.end(), text.begin(), text.begin() + n);
    out.insert(out.end(), width - n, 0);
}
} // namespace

uint64_t OprwWorld::Cells() const
{
    if (version == 2)
        return 256 * 256;
    return uint64_t{sizes[0]} * sizes[1];
}

Bytes WorldBlock(const Bytes& raw, bool plain)
{
    return plain ? raw : Compress(raw);
}

Bytes WriteOprw(const OprwWorld& world)
{
    Bytes out = {'O', 'P', 'R', 'W'};
    PutU32(out, world.version);
    if (world.version != 2)
    {
        for (uint32_t s : world.sizes)
            PutU32(out, s);
    }
    const bool plain = world.version == 17;
    const uint64_t cells = world.Cells();
    PutGrid(out, world.cellFlags, cells * 4, plain);
    PutGrid(out, world.envSounds, cells, plain);
    PutU32(out, static_cast<uint32_t>(world.peaks.size() / 12));
    out.insert(out.end(), world.peaks.begin(), world.peaks.end());
    PutGrid(out, world.indexes, cells * 2, plain);
    PutGrid(out, world.extFlags, cells * 4, plain);
    PutGrid(out, world.elevation, cells * 4, plain);
    PutU32(out, static_cast<uint32_t>(world.textures.size()));
    for (const auto& texture : world.textures)
    {
        out.insert(out.end(), texture.first.begin(), texture.first.end());
        out.push_back(0);
        out.push_back(texture.second);
    }
    PutU32(out, static_cast<uint32_t>(world.models.size()));
    for (const std::string& model : world.models)
    {
        out.insert(out.end(), model.begin(), model.end());
        out.push_back(0);
    }
    for (const WorldObject& object : world.objects)
    {
        PutU32(out, static_cast<uint32_t>(object.id));
        PutU32(out, object.modelIndex);
        out.insert(out.end(), 48, 0);
    }
    PutU32(out, world.endMarker);
    return out;
}

OprwWorld SampleWorld(uint32_t x, uint32_t y, uint32_t objectCount, unsigned seed)
{
    std::mt19937 random(seed);
    OprwWorld world;
    world.sizes[0] = world.sizes[2] = x;
    world.sizes[1] = world.sizes[3] = y;
    const uint64_t cells = uint64_t{x} * y;
    world.cellFlags.assign(cells * 4, 0);
    world.envSounds.assign(cells, 0);
    world.indexes.assign(cells * 2, 0);
    world.extFlags.assign(cells * 4, 0);
    world.elevation.assign(cells * 4, 0);
    for (uint64_t c = 0; c < cells; ++c)
    {
        uint32_t cx = static_cast<uint32_t>(c % x);
        uint32_t cy = static_cast<uint32_t>(c / x);
        if (random() % 16 == 0)
            world.cellFlags[c * 4] = static_cast<unsigned char>(random() % 4);
        world.envSounds[c] = static_cast<unsigned char>((cx / 32 + cy / 32) % 3);
        world.indexes[c * 2] = static_cast<unsigned char>(((cx / 16) ^ (cy / 16)) % 4);
        float height = static_cast<float>(40.0 * std::sin(cx / 97.0) * std::cos(cy / 61.0));
        height = std::round(height * 8.0f) / 8.0f;
        std::memcpy(&world.elevation[c * 4], &height, 4);
    }
    world.textures = {{"data\\sand.pac", 1}, {"data\\grass.pac", 2}, {"data\\rock.pac", 3}, {"data\\sea.pac", 4}};
    world.models = {"data3d\\tree.p3d", "data3d\\house.p3d", "data3d\\rock.p3d"};
    for (uint32_t k = 0; k < objectCount; ++k)
        world.objects.push_back({static_cast<int32_t>(k + 1), k % 3});
    for (int k = 0; k < 3; ++k)
        PutU32(world.peaks, static_cast<uint32_t>(random()));
    return world;
}

Bytes WriteV1(uint32_t x, uint32_t y, const std::vector<std::string>& textures, const std::vector<std::string>& models)
{
    Bytes out = {'4', 'W', 'V', 'R'};
    PutU32(out, x);
    PutU32(out, y);
    out.insert(out.end(), uint64_t{x} * y * 4, 0);
    for (size_t slot = 0; slot < 512; ++slot)
        PutField(out, slot < textures.size() ? textures[slot] : std::string(), 32);
    for (const std::string& model : models)
    {
        out.insert(out.end(), 52, 0);
        PutField(out, model, 76);
    }
    return out;
}
} // namespace testsupport
