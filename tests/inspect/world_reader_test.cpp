// World reader: OPRW and 4WVR layouts, printed lines, getters, the reference
// check, file names, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RazDLL.h"
#include "inspect/DeWrp.h"
#include "support/Capture.h"
#include "support/Rows.h"
#include "support/WrpWriter.h"

using testsupport::Bytes;
using testsupport::Capture;
using testsupport::OprwWorld;

namespace
{
int OpenBytes(DeWrp& reader, const Bytes& bytes)
{
    Capture::Reset();
    return reader.Open(bytes.data(), static_cast<unsigned long>(bytes.size()), &Capture::Callback);
}

OprwWorld SmallWorld(uint32_t version)
{
    OprwWorld world = testsupport::SampleWorld(5, 3, 4, 11);
    world.version = version;
    return world;
}

Bytes Grid(const unsigned char* block, uint64_t n)
{
    return block ? Bytes(block, block + n) : Bytes();
}
} // namespace

TEST(WorldReader, OprwVersionsReadEveryBlockAndTable)
{
    for (uint32_t version : {3u, 17u})
    {
        const OprwWorld world = SmallWorld(version);
        DeWrp reader;
        ASSERT_EQ(OpenBytes(reader, testsupport::WriteOprw(world)), 0) << version;
        const std::vector<std::string> expected = {version == 3 ? "OPRW Version 3\r\n" : "OPRW Version 11\r\n",
                                                   "Reading 5x3 CellFlags\r\n",
                                                   "Reading 5x3 CellEnvSounds\r\n",
                                                   "Reading 15 CellEnvSounds\r\n",
                                                   "Reading 5x3 ReadIndexes\r\n",
                                                   "Reading 5x3 CellsExtFlag\r\n",
                                                   "Reading 5x3 Elevation\r\n"};
        EXPECT_EQ(Capture::lines, expected);
        EXPECT_STREQ(reader.GetID(), "OPRW");
        EXPECT_EQ(reader.GetVersion(), static_cast<int>(version));
        const uint32_t* size = reader.GetMapSize();
        EXPECT_EQ(std::vector<uint32_t>(size, size + 4), std::vector<uint32_t>({5, 3, 5, 3}));
        EXPECT_EQ(Grid(reader.GetCellFlags(), 60), world.cellFlags);
        EXPECT_EQ(Grid(reader.GetCellEnvSounds(), 15), world.envSounds);
        EXPECT_EQ(Grid(reader.GetElevation(), 60), world.elevation);
        EXPECT_EQ(reader.peaks.count, 1u);
        EXPECT_EQ(std::memcmp(reader.peaks.GetPeak(0), world.peaks.data(), 12), 0);
        EXPECT_EQ(reader.textures.IndexCount(), 15u);
        EXPECT_EQ(reader.textures.GetIndex(14), world.indexes[28]);
        ASSERT_EQ(reader.GetTextureCount(), 4);
        EXPECT_STREQ(reader.GetTextureName(1), "data\\grass.pac");
        EXPECT_EQ(reader.textures.GetColor(3), 4);
        EXPECT_EQ(reader.GetTextureName(4), nullptr);
        EXPECT_EQ(reader.GetTextureName(-1), nullptr);
        EXPECT_EQ(reader.textures.GetColor(4), 255);
        ASSERT_EQ(reader.GetModelCount(), 3);
        EXPECT_STREQ(reader.GetModelName(2), "data3d\\rock.p3d");
        EXPECT_EQ(reader.GetModelName(3), nullptr);
        EXPECT_EQ(reader.GetModelName(-1), nullptr);
        ASSERT_EQ(reader.objects.count, 4u);
        EXPECT_EQ(reader.objects.GetObject(3)->id, 4);
        EXPECT_EQ(reader.objects.GetObject(3)->modelIndex, 0u);
        EXPECT_EQ(reader.objects.GetObject(4), nullptr);
        EXPECT_EQ(reader.ValidModels(), 0);
        reader.Close();
        EXPECT_EQ(reader.GetModelCount(), 0);
        EXPECT_EQ(reader.GetCellFlags(), nullptr);
        EXPECT_STREQ(reader.GetID(), "OPRW");
    }
}

TEST(WorldReader, Version2HasFixedSizes)
{
    OprwWorld world;
    world.version = 2;
    DeWrp reader;
    ASSERT_EQ(OpenBytes(reader, testsupport::WriteOprw(world)), 0);
    EXPECT_EQ(Capture::lines.at(1), "Reading 256x256 CellFlags\r\n");
    EXPECT_EQ(Capture::lines.at(3), "Reading 65536 CellEnvSounds\r\n");
    EXPECT_EQ(Capture::lines.at(6), "Reading 256x256 Elevation\r\n");
    EXPECT_EQ(reader.GetMapSize()[3], 256u);
    EXPECT_EQ(reader.textures.IndexCount(), 65536u);
}

TEST(WorldReader, DamagedOprwFiles)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        int code;
    };
    auto with = [](void (*change)(OprwWorld&)) {
        OprwWorld world = SmallWorld(3);
        change(world);
        return testsupport::WriteOprw(world);
    };
    Bytes valid = with([](OprwWorld&) {});
    Bytes notWrp = valid;
    notWrp[0] = 'o';
    Bytes version4 = valid;
    version4[4] = 4;
    Bytes hugeCells = valid;
    std::memset(&hugeCells[8], 0xFF, 8);
    Bytes oddObjects = valid;
    oddObjects.insert(oddObjects.end() - 4, 3, 0);
    // Peak count sits right after the two packed blocks; find it by layout.
    OprwWorld peakless = SmallWorld(3);
    peakless.peaks.clear();
    Bytes hugePeaks = testsupport::WriteOprw(peakless);
    size_t peakAt = 24 + testsupport::WorldBlock(peakless.cellFlags, false).size() +
                    testsupport::WorldBlock(peakless.envSounds, false).size();
    std::memset(&hugePeaks[peakAt], 0xFF, 4);
    const Case cases[] = {
        {"sound", valid, 0},
        {"empty", {}, 1},
        {"signature case", notWrp, 4},
        {"version 4", version4, 5},
        {"4 billion squared cells", hugeCells, 1},
        {"object bytes not whole records", oddObjects, 1},
        {"huge peak count", hugePeaks, 1},
        {"texture name of 255", with([](OprwWorld& w) { w.textures[0].first = std::string(255, 't'); }), 0},
        {"texture name of 256", with([](OprwWorld& w) { w.textures[0].first = std::string(256, 't'); }), 3},
        {"wrong end marker", with([](OprwWorld& w) { w.endMarker = 0xFFFFFFFE; }), 1},
        {"only the end marker, any value", with([](OprwWorld& w) {
             w.objects.clear();
             w.endMarker = 0x12345678;
         }),
         0},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        DeWrp reader;
        EXPECT_EQ(OpenBytes(reader, c.bytes), c.code);
        if (c.code != 0)
        {
            EXPECT_EQ(reader.GetTextureCount(), 0);
        }
    });
}

TEST(WorldReader, EveryPrefixAndByteFlipEndsWithACode)
{
    const Bytes valid = testsupport::WriteOprw(SmallWorld(3));
    // Cut after the first 4 bytes of the object section, the file reads as a
    // world without objects whose end marker is not examined.
    const size_t noObjects = valid.size() - 4 * 56;
    DeWrp reader;
    for (size_t cut = 0; cut < valid.size(); ++cut)
    {
        int code = OpenBytes(reader, Bytes(valid.begin(), valid.begin() + cut));
        EXPECT_EQ(code == 0, cut == noObjects) << cut << " " << code;
    }
    for (size_t at = 0; at < valid.size(); ++at)
    {
        Bytes damaged = valid;
        damaged[at] ^= 0xA5;
        int code = OpenBytes(reader, damaged);
        EXPECT_TRUE(code >= 0 && code <= 8) << at << " " << code;
        if (code == 0)
        {
            EXPECT_GE(reader.ValidModels(), 0);
        }
    }
}

// A section that ends exactly at the last byte of the input is read whole
// (the run goes on to print the next section's line); one byte short, it is
// not. The whole file, ending with its end marker, is valid; one byte short,
// it is not.
TEST(WorldReader, SectionsEndingAtTheLastByte)
{
    for (uint32_t version : {3u, 17u})
    {
        const OprwWorld world = SmallWorld(version);
        const Bytes valid = testsupport::WriteOprw(world);
        const bool plain = version == 17;
        // Ends of the header, the cell flags, the sound grid, the peaks, the
        // index grid and the extended flags: the next line follows each.
        std::vector<size_t> ends = {24};
        for (const Bytes* block : {&world.cellFlags, &world.envSounds})
            ends.push_back(ends.back() + testsupport::WorldBlock(*block, plain).size());
        ends.push_back(ends.back() + 4 + world.peaks.size());
        for (const Bytes* block : {&world.indexes, &world.extFlags})
            ends.push_back(ends.back() + testsupport::WorldBlock(*block, plain).size());
        DeWrp reader;
        for (size_t k = 0; k < ends.size(); ++k)
        {
            SCOPED_TRACE("version " + std::to_string(version) + ", section " + std::to_string(k));
            EXPECT_EQ(OpenBytes(reader, Bytes(valid.begin(), valid.begin() + ends[k])), 1);
            EXPECT_EQ(Capture::lines.size(), k + 2);
            EXPECT_EQ(OpenBytes(reader, Bytes(valid.begin(), valid.begin() + ends[k] - 1)), 1);
            EXPECT_EQ(Capture::lines.size(), k == 0 ? 0 : k + 1); // the version line follows the sizes
        }
        EXPECT_EQ(OpenBytes(reader, valid), 0) << version;
        EXPECT_EQ(OpenBytes(reader, Bytes(valid.begin(), valid.end() - 1)), 1) << version;
    }
}

TEST(WorldReader, Version1Image)
{
    const std::string longName(76, 'm');
    Bytes exact = testsupport::WriteV1(3, 2, {"a.pac", "b.pac"}, {});
    ASSERT_EQ(exact.size(), 16396u + 24);
    Bytes objects = testsupport::WriteV1(3, 2, {"a.pac", std::string(32, 'n')}, {"tree.p3d", longName});
    Bytes oneMore = exact;
    oneMore.push_back(0);

    DeWrp reader;
    ASSERT_EQ(OpenBytes(reader, exact), 0);
    EXPECT_TRUE(Capture::lines.empty());
    EXPECT_EQ(reader.GetVersion(), 1);
    const uint32_t* size = reader.GetMapSize();
    EXPECT_EQ(std::vector<uint32_t>(size, size + 4), std::vector<uint32_t>({3, 2, 3, 2}));
    EXPECT_EQ(reader.GetModelCount(), 0);
    EXPECT_EQ(reader.GetTextureCount(), 2);
    EXPECT_STREQ(reader.GetTextureName(1), "b.pac");
    EXPECT_EQ(reader.GetTextureName(2), nullptr);

    EXPECT_EQ(OpenBytes(reader, oneMore), 1);
    EXPECT_EQ(OpenBytes(reader, Bytes(exact.begin(), exact.end() - 1)), 1);

    ASSERT_EQ(OpenBytes(reader, objects), 0);
    ASSERT_EQ(reader.GetModelCount(), 2);
    EXPECT_STREQ(reader.GetModelName(0), "tree.p3d");
    // Fields filled to their last byte come back terminated, never longer.
    EXPECT_EQ(std::string(reader.GetModelName(1)), longName);
    EXPECT_EQ(std::string(reader.GetTextureName(1)), std::string(32, 'n'));
    EXPECT_EQ(reader.GetModelName(2), nullptr);
    EXPECT_EQ(reader.ValidModels(), 0);
}

TEST(WorldReader, ValidModelsFindsBadReferences)
{
    struct Case
    {
        const char* what;
        void (*change)(OprwWorld&);
        int code;
    };
    const Case cases[] = {
        {"sound", [](OprwWorld&) {}, 0},
        {"ids 5, 5",
         [](OprwWorld& w) {
             w.objects = {{5, 0}, {5, 1}};
         },
         12},
        {"first id -1",
         [](OprwWorld& w) {
             w.objects = {{-1, 0}};
         },
         12},
        {"model index past the table", [](OprwWorld& w) { w.objects[1].modelIndex = 3; }, 10},
        {"empty model name", [](OprwWorld& w) { w.models[2].clear(); }, 11},
        {"texture index past the table", [](OprwWorld& w) { w.indexes[20] = 4; }, 13},
        {"empty texture name", [](OprwWorld& w) { w.textures[3].first.clear(); }, 14},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        OprwWorld world = SmallWorld(3);
        world.indexes[0] = 3;
        c.change(world);
        DeWrp reader;
        ASSERT_EQ(OpenBytes(reader, testsupport::WriteOprw(world)), 0);
        EXPECT_EQ(reader.ValidModels(), c.code);
    });
}

TEST(WorldReader, FileNames)
{
    testsupport::TempDir dir;
    const Bytes bytes = testsupport::WriteOprw(SmallWorld(17));
    dir.Put("island.wrp", bytes);
    dir.Put("empty.wrp", Bytes());
    dir.Put("island.pbo", bytes);
    dir.Put("upper.WRP", bytes);
    struct Case
    {
        std::string name;
        int code;
    };
    // The dot of ".." belongs to a folder, not to the file name.
    const std::string viaParent = "../" + dir.Path().substr(dir.Path().find_last_of("/\\") + 1) + "/island";
    const Case cases[] = {
        {dir.Path("island"), 0},  {dir.Path("upper.WRP"), 0}, {dir.Path("island.pbo"), 9},
        {dir.Path("missing"), 9}, {dir.Path("empty"), 9},     {dir.Path(viaParent), 0},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        DeWrp reader;
        Capture::Reset();
        EXPECT_EQ(reader.Open(c.name.c_str(), &Capture::Callback), c.code);
        if (c.code == 0)
        {
            EXPECT_EQ(reader.GetModelCount(), 3);
        }
    });
    DeWrp silent;
    EXPECT_EQ(silent.Open(dir.Path("island").c_str(), nullptr), 0);
    dir.Put("old.wrp", testsupport::WriteV1(2, 1, {"g.pac"}, {"a.p3d", "b.p3d"}));
    ASSERT_EQ(silent.Open(dir.Path("old").c_str(), nullptr), 0);
    EXPECT_STREQ(silent.GetModelName(1), "b.p3d");
    EXPECT_STREQ(silent.GetTextureName(0), "g.pac");
}

TEST(WorldReader, ReadersKeepTheirOwnState)
{
    RazDLL dll;
    DeWrp other;
    const Bytes first = testsupport::WriteOprw(SmallWorld(3));
    const Bytes second = testsupport::WriteV1(2, 2, {"x.pac"}, {"a.p3d", "b.p3d", "c.p3d", "d.p3d", "e.p3d"});
    ASSERT_EQ(OpenBytes(dll.dewrp, first), 0);
    ASSERT_EQ(OpenBytes(other, second), 0);
    EXPECT_EQ(dll.dewrp.GetModelCount(), 3);
    EXPECT_EQ(other.GetModelCount(), 5);
    EXPECT_EQ(dll.dewrp.ValidModels(), 0);
    // A file too short for its signature leaves no header of the world before.
    EXPECT_EQ(OpenBytes(dll.dewrp, Bytes({'O', 'P'})), 1);
    EXPECT_STREQ(dll.dewrp.GetID(), "");
    EXPECT_EQ(dll.dewrp.GetVersion(), 0);
    EXPECT_EQ(dll.dewrp.GetMapSize()[0], 0u);
    EXPECT_STREQ(DeWrp::ErrorString(7), "Wrp: Extract negative rpos");
    EXPECT_STREQ(DeWrp::ErrorString(15), "Wrp: Unknown error");
}

TEST(WorldReader, PlainBlocksCopyAndCheckTheirLength)
{
    const Bytes bytes = {1, 2, 3, 4, 5};
    for (uint64_t n : {5u, 6u})
    {
        WrpInput input;
        input.Attach(bytes.data(), bytes.size());
        WrpBytes out;
        const int code = DeWrp::ExtractBlock(input, out, n, true);
        EXPECT_EQ(code, n == 5 ? 0 : 1) << n;
        EXPECT_EQ(Grid(out.Data(), out.Size()), n == 5 ? bytes : Bytes()) << n;
        EXPECT_EQ(out.Data() == nullptr, n != 5) << n;
        EXPECT_EQ(input.Position(), n == 5 ? 5u : 0u) << n;
    }
}
