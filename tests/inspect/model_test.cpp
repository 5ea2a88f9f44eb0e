// Model inspector: codes, printed lines and getters for models built byte by
// byte, in both header forms and both "#mass#" forms, and damaged input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "RazDLL.h"
#include "inspect/DeP3d.h"
#include "model_writer.h"
#include "support/Capture.h"
#include "support/TempDir.h"

using modeltest::Lod;
using modeltest::ModelBytes;
using modeltest::RealLevel;
using testsupport::Bytes;
using testsupport::Capture;
using Lines = std::vector<std::string>;

namespace
{
const uint32_t IntegerVersion = 257;

Lines HeaderLines(int lods, const char* version = " version 1.10\r\n")
{
    return {"MLOD", version, "LodCount " + std::to_string(lods) + "\r\n"};
}

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Lines CountLines(int vertices, int normals, int polygons, const char* flags = "0")
{
    return {"LodSig: SP3X V28.153\r\n", "Vertexes: " + std::to_string(vertices) + "\r\n",
            "NormalsCount: " + std::to_string(normals) + "\r\n", "PolygonCount: " + std::to_string(polygons) + "\r\n",
            std::string("LodFlags: ") + flags + "\r\n"};
}

Lines RealLines(bool byteMass)
{
    return CountLines(8, 6, 2, "10") + Lines{"data\\tex_co.paa\r\n", "\r\n",
                                             "#SharpEdges# 16\r\n",  "#Selected# 10\r\n",
                                             "#Property# 128\r\n",   byteMass ? "#Mass# 32\r\n" : "#Mass# 8\r\n",
                                             "#EndOfFile# 0\r\n"};
}

// One level with a single triangle over the given corners.
Lod Triangle(int32_t cornerCount, modeltest::Corner last)
{
    Lod lod;
    lod.vertices = 3;
    lod.normals = 1;
    lod.polygons = {{"tri", {{0, 0}, {1, 0}, last}, cornerCount}};
    return lod;
}

struct Case
{
    const char* name;
    Bytes bytes;
    int code;
    Lines lines;
};

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    cases.push_back(
        {"lower-case signature, no levels", ModelBytes().Text("mlod").U32(0x3F8CCCCD).U32(0).Get(), 0, HeaderLines(0)});
    cases.push_back({"a byte after the last level", ModelBytes().Header(0).Fill(1).Get(), 4, HeaderLines(0)});
    cases.push_back({"binarised model", ModelBytes().Text("ODOL").U32(7).Get(), 5, {"ODOL"}});
    cases.push_back({"signature cut short", ModelBytes().Text("MLO").Get(), 1, {}});
    cases.push_back({"other signature", ModelBytes().Text("P3DM").U32(0).Get(), 3, {}});
    cases.push_back({"version 1.2", ModelBytes().Header(0, 0x3F99999A).Get(), 3, {"MLOD", " version 1.20\r\n"}});
    cases.push_back({"version as the integer 257", ModelBytes().Header(0, IntegerVersion).Get(), 0, HeaderLines(0)});
    cases.push_back(
        {"version as the integer 258", ModelBytes().Header(0, 258).Get(), 3, {"MLOD", " version 0.00\r\n"}});
    cases.push_back({"version cut short", ModelBytes().Text("MLOD").Fill(3).Get(), 3, {"MLOD"}});
    cases.push_back({"level count cut short",
                     ModelBytes().Text("MLOD").U32(IntegerVersion).Get(),
                     3,
                     {"MLOD", " version 1.10\r\n"}});
    cases.push_back({"real level, float version, mass in floats", ModelBytes().Header(1).Level(RealLevel(false)).Get(),
                     0, HeaderLines(1) + RealLines(false)});
    cases.push_back({"real level, integer version, mass in bytes",
                     ModelBytes().Header(1, IntegerVersion).Level(RealLevel(true)).Get(), 0,
                     HeaderLines(1) + RealLines(true)});
    // The editor's trailer after the last level: zeros, a folder text, 32-bit values.
    cases.push_back({"real level with the editor's trailer",
                     ModelBytes()
                         .Header(1, IntegerVersion)
                         .Level(RealLevel(true))
                         .Fill(40, 0)
                         .Text("data\\", 64)
                         .U32(1)
                         .U32(0x3F800000)
                         .Get(),
                     0, HeaderLines(1) + RealLines(true) + Lines{"TrailingBytes: 112\r\n"}});
    cases.push_back({"two levels and one trailing byte",
                     ModelBytes().Header(2).Level(RealLevel(false)).Level(RealLevel(true)).Fill(1).Get(), 0,
                     HeaderLines(2) + RealLines(false) + RealLines(true) + Lines{"TrailingBytes: 1\r\n"}});
    cases.push_back({"five corners", ModelBytes().Header(1).Level(Triangle(5, {2, 0})).Get(), 3,
                     HeaderLines(1) + CountLines(3, 1, 1) + Lines{"tri\r\n"}});
    cases.push_back({"normal index out of range", ModelBytes().Header(1).Level(Triangle(3, {0, 1})).Get(), 3,
                     HeaderLines(1) + CountLines(3, 1, 1) + Lines{"tri\r\n"}});
    cases.push_back({"point index out of range", ModelBytes().Header(1).Level(Triangle(3, {3, 0})).Get(), 3,
                     HeaderLines(1) + CountLines(3, 1, 1) + Lines{"tri\r\n"}});
    cases.push_back({"negative indices pass", ModelBytes().Header(1).Level(Triangle(3, {-1, -7})).Get(), 0,
                     HeaderLines(1) + CountLines(3, 1, 1) + Lines{"tri\r\n", "#EndOfFile# 0\r\n"}});
    Lod open = Triangle(3, {2, 0});
    open.endTag = false;
    open.tags = {{"#Property#", 0, 0}};
    cases.push_back({"tags without an end", ModelBytes().Header(1).Level(open).Get(), 1,
                     HeaderLines(1) + CountLines(3, 1, 1) + Lines{"tri\r\n", "#Property# 0\r\n"}});
    cases.push_back({"level version 29", ModelBytes().Header(1).Text("SP3X").U32(29).Get(), 3, HeaderLines(1)});
    ModelBytes badMarker = ModelBytes().Header(1);
    badMarker.Text("sp3x").U32(28).U32(153).U32(0).U32(0).U32(0).U32(0).Text("TAGS");
    Lines lowerSignature = CountLines(0, 0, 0);
    lowerSignature[0] = "LodSig: sp3x V28.153\r\n";
    cases.push_back({"marker other than TAGG", badMarker.Get(), 3, HeaderLines(1) + lowerSignature});
    // Hostile counts and sizes fail before anything larger than the input is made.
    ModelBytes negativeBytes = ModelBytes().Header(1);
    negativeBytes.Text("SP3X").U32(28).U32(153).U32(0xFFFFFFFF).U32(0).U32(0).U32(0);
    cases.push_back({"negative point count", negativeBytes.Get(), 2, HeaderLines(1) + CountLines(-1, 0, 0)});
    Lod huge;
    huge.polygonCountField = 0x7FFFFFFF;
    cases.push_back({"huge polygon count", ModelBytes().Header(1).Level(huge).Get(), 1,
                     HeaderLines(1) + CountLines(0, 0, 0x7FFFFFFF)});
    Lod bigTag;
    bigTag.tags = {{"#Selected#", 0xFFFFFFFF, 0}};
    cases.push_back({"tag size past the end", ModelBytes().Header(1).Level(bigTag).Get(), 1,
                     HeaderLines(1) + CountLines(0, 0, 0) + Lines{"#Selected# -1\r\n"}});
    Lod wrappingMass = RealLevel(true);
    wrappingMass.tags = {{"#mass#", 0x40000000, 0}};
    cases.push_back(
        {"#mass# size that wraps in 32 bits", ModelBytes().Header(1).Level(wrappingMass).Get(), 1,
         HeaderLines(1) + CountLines(8, 6, 2, "10") + Lines{"data\\tex_co.paa\r\n", "\r\n", "#mass# 1073741824\r\n"}});
    return cases;
}
} // namespace

TEST(ModelInspector, CodesAndLinesOfBuiltModels)
{
    for (const Case& c : Cases())
    {
        SCOPED_TRACE(c.name);
        Capture::Reset();
        DeP3d model;
        EXPECT_EQ(model.Open(c.bytes.data(), c.bytes.size(), &Capture::Callback), c.code);
        EXPECT_EQ(Capture::lines, c.lines);
    }
}

TEST(ModelInspector, GettersOverTwoLevels)
{
    Lod second = RealLevel(false);
    second.tags.pop_back();
    second.polygons[1].signature = std::string(32, 'S'); // no zero byte inside the field
    second.tags.push_back({std::string(64, 'N'), 0, 0});
    const Bytes bytes = ModelBytes().Header(2, IntegerVersion).Level(RealLevel(true)).Level(second).Get();
    DeP3d model;
    ASSERT_EQ(model.Open(bytes.data(), bytes.size(), nullptr), 0);
    EXPECT_EQ(model.GetType(), P3DMlod);
    EXPECT_EQ(model.GetLodCount(), 2);
    EXPECT_EQ(model.GetMlodTagCount(0), 5);
    EXPECT_EQ(model.GetMlodTagCount(1), 5);
    EXPECT_EQ(model.GetMlodTagCount(2), -1);
    EXPECT_EQ(model.GetMlodTagCount(-1), -1);
    EXPECT_STREQ(model.GetMlodTagName(0, 0), "#SharpEdges#");
    EXPECT_STREQ(model.GetMlodTagName(0, 4), "#EndOfFile#");
    EXPECT_STREQ(model.GetMlodTagName(1, 3), std::string(64, 'N').c_str());
    EXPECT_EQ(model.GetMlodTagName(0, 5), nullptr);
    EXPECT_EQ(model.GetMlodTagName(0, -1), nullptr);
    EXPECT_EQ(model.GetMlodPolyCount(1), 2);
    EXPECT_STREQ(model.GetMlodPolySignature(0, 0), "data\\tex_co.paa");
    EXPECT_STREQ(model.GetMlodPolySignature(0, 1), "");
    EXPECT_STREQ(model.GetMlodPolySignature(1, 1), std::string(32, 'S').c_str());
    EXPECT_EQ(model.GetMlodPolySignature(0, -1), nullptr);
    EXPECT_EQ(model.GetMlodPolySignature(0, 2), nullptr);
    EXPECT_EQ(model.GetMlodPolySignature(2, 0), nullptr);

    model.Close();
    EXPECT_EQ(model.GetType(), P3DMlod);
    EXPECT_EQ(model.GetLodCount(), 2);
    EXPECT_EQ(model.GetMlodTagName(0, 0), nullptr);
    EXPECT_EQ(model.GetMlodPolyCount(0), -1);

    // A failure in the second level releases both; type and count remain.
    Bytes broken = bytes;
    broken.resize(broken.size() - 3);
    EXPECT_EQ(model.Open(broken.data(), broken.size(), nullptr), 1);
    EXPECT_EQ(model.GetType(), P3DMlod);
    EXPECT_EQ(model.GetLodCount(), 2);
    EXPECT_EQ(model.GetMlodPolyCount(0), -1);
    EXPECT_EQ(model.GetMlodPolyCount(1), -1);

    const Bytes odol = ModelBytes().Text("ODOL").Get();
    EXPECT_EQ(model.Open(odol.data(), odol.size(), nullptr), 5);
    EXPECT_EQ(model.GetType(), P3DOdol);
    EXPECT_EQ(model.GetLodCount(), 0);
    // Too short for a signature: the type of the last run stays.
    EXPECT_EQ(model.Open(odol.data(), 3, nullptr), 1);
    EXPECT_EQ(model.GetType(), P3DOdol);
}

TEST(ModelInspector, AssignRefusesSizesTheInputCannotHold)
{
    const Bytes bytes = ModelBytes().Header(0).Get();
    DeP3d model;
    ASSERT_EQ(model.Open(bytes.data(), bytes.size(), nullptr), 0);
    struct Row
    {
        int size, count, code;
        bool block;
    };
    const Row rows[] = {
        {-1, 4, 2, false},          {16, -1, 2, false},           {0, 5, 0, false},
        {16, 0x7FFFFFFF, 1, false}, {0x10000, 0x10001, 1, false}, {1, 12, 1, true},
    };
    for (const Row& row : rows)
    {
        void* block = reinterpret_cast<void*>(1);
        EXPECT_EQ(model.Assign(&block, row.size, row.count), row.code) << row.size << " x " << row.count;
        EXPECT_EQ(block != nullptr, row.block) << row.size << " x " << row.count;
        std::free(block);
    }
}

TEST(ModelInspector, NamedFilesThroughTheAggregate)
{
    testsupport::TempDir dir;
    dir.Put("box.p3d", ModelBytes().Header(1).Level(RealLevel(false)).Get());
    dir.Put("odd.P3D", ModelBytes().Header(0).Get());
    RazDLL raz;
    EXPECT_EQ(raz.dep3d.Open(dir.Path("box").c_str(), nullptr), 0);
    EXPECT_EQ(raz.dep3d.GetMlodPolyCount(0), 2);
    EXPECT_EQ(raz.dep3d.Open(dir.Path("odd.P3D").c_str(), nullptr), 0);
    EXPECT_EQ(raz.dep3d.Open(dir.Path("missing").c_str(), nullptr), 3);
    EXPECT_EQ(raz.dep3d.GetMlodPolyCount(0), -1);
    // Blocks that hold nothing or cannot be addressed are invalid files.
    const unsigned char byte = 0;
    EXPECT_EQ(raz.dep3d.Open(nullptr, 4, nullptr), 3);
    EXPECT_EQ(raz.depac.Open(nullptr, 4, nullptr), 3);
    if (sizeof(unsigned long) > 4)
    {
        EXPECT_EQ(raz.dep3d.Open(&byte, 0xFFFFFFFFul + 1, nullptr), 3);
        EXPECT_EQ(raz.depac.Open(&byte, 0xFFFFFFFFul + 1, nullptr), 3);
    }
}

// Every prefix and single-byte change of a sound model ends with a code of
// the table (the sanitizer build checks the reads).
TEST(ModelInspector, DamagedModelsEndWithACode)
{
    const Bytes sample = ModelBytes().Header(2, IntegerVersion).Level(RealLevel(true)).Level(RealLevel(false)).Get();
    DeP3d model;
    ASSERT_EQ(model.Open(sample.data(), sample.size(), nullptr), 0);
    for (size_t n = 0; n < sample.size(); ++n)
    {
        int code = model.Open(sample.data(), n, nullptr);
        EXPECT_TRUE(code == 1 || code == 3) << "prefix " << n << " gave " << code;
        for (unsigned char change : {0x01, 0x80, 0xFF})
        {
            Bytes bent = sample;
            bent[n] ^= change;
            code = model.Open(bent.data(), bent.size(), nullptr);
            EXPECT_TRUE(code >= 0 && code <= 5) << "byte " << n << " gave " << code;
        }
    }
}

namespace
{
// Every getter answer for levels -1 to 3, tags and polygons -1 to 6.
std::string State(DeP3d& model)
{
    std::string state = std::to_string(model.GetType()) + " " + std::to_string(model.GetLodCount());
    auto text = [](const char* p) {
        return p ? std::string(p) : std::string("<null>");
    };
    for (long lod = -1; lod <= 3; ++lod)
    {
        state += "\n" + std::to_string(model.GetMlodTagCount(lod)) + " " + std::to_string(model.GetMlodPolyCount(lod));
        for (long i = -1; i <= 6; ++i)
            state += "|" + text(model.GetMlodTagName(lod, i)) + "|" + text(model.GetMlodPolySignature(lod, i));
    }
    return state;
}
} // namespace

// An object that read one model answers for the next exactly as a new object
// would: getters, counts and report.
TEST(ModelInspector, ASecondOpenKeepsNothingOfTheFirst)
{
    Lod other = Triangle(3, {2, 0});
    other.tags = {{"#Other#", 4, 4}};
    const Bytes first = ModelBytes().Header(2).Level(RealLevel(true)).Level(RealLevel(false)).Fill(9, 0).Get();
    const Bytes seconds[] = {
        ModelBytes().Header(1).Level(other).Get(), ModelBytes().Header(0).Get(),
        ModelBytes().Header(0, 0x3F99999A).Get(),  ModelBytes().Header(2).Level(other).Get(),
        ModelBytes().Text("ODOL").Get(),
    };
    for (const Bytes& second : seconds)
    {
        DeP3d fresh;
        Capture::Reset();
        int freshCode = fresh.Open(second.data(), second.size(), &Capture::Callback);
        const Lines freshLines = Capture::lines;

        DeP3d reused;
        ASSERT_EQ(reused.Open(first.data(), first.size(), nullptr), 0);
        Capture::Reset();
        EXPECT_EQ(reused.Open(second.data(), second.size(), &Capture::Callback), freshCode);
        EXPECT_EQ(Capture::lines, freshLines);
        EXPECT_EQ(State(reused), State(fresh));
    }
}
