// Damaged and hostile data: cut-off files, corrupted bytes, random data,
// cycles and nesting bounds. Every case must end with a code of the table.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "RapTestUtil.h"
#include "support/RapBytes.h"

using namespace testsupport;
using raptest::Decode;
using raptest::ErrorLine;

namespace
{
bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ExpectWellFormed(const raptest::Decoded& d, const std::string& what)
{
    if (!d.accepted)
        return;
    ASSERT_GE(static_cast<int>(d.code), 0) << what;
    ASSERT_LE(static_cast<int>(d.code), 13) << what;
    if (d.code == RapNoError)
    {
        EXPECT_TRUE(!d.textNull && EndsWith(d.text, "\r\n")) << what;
    }
    else if (!d.textNull)
    {
        EXPECT_TRUE(EndsWith(d.text, ErrorLine(d.code))) << what;
    }
    else
    {
        EXPECT_EQ(d.code, RapOutOfMemory) << what;
    }
}

RapClass SampleTree()
{
    RapClass inner;
    inner.inherit = "Base";
    inner.Value("s", RapValue::String("he said \"hi\""))
        .Value("f", RapValue::Float(2.5f))
        .Array("arr", {RapValue::Int(1), RapValue::Array({RapValue::String("x"), RapValue::Float(0.5f)})});
    RapClass root;
    root.Class("Outer", RapClass().Class("Inner", inner).Class("Empty", RapClass())).Value("v", RapValue::Int(3));
    return root;
}

RapClass SampleArmaTree()
{
    RapClass root = SampleTree();
    root.Declare("Later").Delete("Gone").Value("e", RapValue::Expression("1+2"));
    return root;
}

const std::vector<RapEnum> kEnums = {{"E1", 0}, {"E2", 7}};

struct Sample
{
    const char* what;
    Bytes bytes;
};

std::vector<Sample> Samples()
{
    Bytes signature(20, 0xA5);
    return {
        {"arma", ArmaBytes(SampleArmaTree(), kEnums)},
        {"xbox", XboxBytes(SampleArmaTree(), kEnums, signature)},
        {"inline", InlineBytes("config.cpp", SampleTree(), kEnums)},
    };
}

raptest::Options WithOffsets(bool show)
{
    raptest::Options options;
    options.showOffsets = show;
    return options;
}

RapClass Nested(int levels)
{
    RapClass c = RapClass().Value("v", RapValue::Int(1));
    for (int i = 0; i < levels; ++i)
        c = RapClass().Class("C", c);
    return c;
}

RapValue NestedArray(int levels)
{
    RapValue v = RapValue::Int(1);
    for (int i = 0; i < levels; ++i)
        v = RapValue::Array({std::move(v)});
    return v;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}
} // namespace

TEST(RapHostile, EveryPrefixEndsWithACode)
{
    for (const Sample& s : Samples())
    {
        ASSERT_EQ(Decode(s.bytes).code, RapNoError) << s.what;
        for (size_t n = 0; n < s.bytes.size(); ++n)
        {
            Bytes prefix(s.bytes.begin(), s.bytes.begin() + static_cast<long>(n));
            for (bool show : {false, true})
                ExpectWellFormed(Decode(prefix, "p.bin", WithOffsets(show)),
                                 std::string(s.what) + " prefix " + std::to_string(n));
        }
    }
}

TEST(RapHostile, PrefixFilesEndWithACode)
{
    TempDir dir;
    Bytes full = Samples()[0].bytes;
    std::string path = dir.Path("cut.bin");
    DeRap derap;
    // Every header length, then a few body cuts (the in-memory test covers
    // every prefix).
    std::vector<size_t> cuts;
    for (size_t n = 0; n <= 13; ++n)
        cuts.push_back(n);
    for (size_t n : {size_t(20), full.size() / 2, full.size() - 1, full.size()})
        cuts.push_back(n);
    for (size_t n : cuts)
    {
        WriteFile(path, Bytes(full.begin(), full.begin() + static_cast<long>(n)));
        RapError opened = derap.OpenRapFile(path.c_str());
        raptest::Decoded d;
        d.accepted = opened == RapNoError;
        if (d.accepted)
        {
            bool accepted = d.accepted;
            d = raptest::Convert(derap);
            d.accepted = accepted;
        }
        else
        {
            EXPECT_EQ(opened, RapNotRapFile) << n;
        }
        ExpectWellFormed(d, "file prefix " + std::to_string(n));
    }
}

TEST(RapHostile, EverySingleByteCorruptionEndsWithACode)
{
    for (const Sample& s : Samples())
    {
        for (size_t i = 0; i < s.bytes.size(); ++i)
        {
            const unsigned char values[] = {static_cast<unsigned char>(s.bytes[i] ^ 0xFF), 0x00, 0x80, 0xFF};
            for (unsigned char value : values)
            {
                Bytes bad = s.bytes;
                bad[i] = value;
                for (bool show : {false, true})
                    ExpectWellFormed(Decode(bad, "c.bin", WithOffsets(show)),
                                     std::string(s.what) + " byte " + std::to_string(i) + "=" + std::to_string(value));
            }
        }
    }
}

TEST(RapHostile, RandomDataEndsWithACode)
{
    std::mt19937 rng(20240611);
    const Bytes headers[] = {
        {0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00},
        {0x00, 0x72, 0x61, 0x50, 0, 0, 0, 0, 8, 0, 0, 0},
        {0x20, 0x72, 0x61, 0x50, 0x20, 0x20, 0x20, 0x20, 8, 0x20, 0x20, 0x20},
    };
    for (int round = 0; round < 3000; ++round)
    {
        Bytes bytes = headers[round % 3];
        size_t extra = rng() % 160;
        for (size_t i = 0; i < extra; ++i)
            bytes.push_back(static_cast<unsigned char>(rng() % 4 == 0 ? rng() % 256 : rng() % 6));
        ExpectWellFormed(Decode(bytes, "r.bin", WithOffsets(round % 2 == 1)), "round " + std::to_string(round));
    }
}

TEST(RapHostile, BodyOffsetLeadingBackIntoItsBodyEnds)
{
    // The root body (at 16) holds a class whose body is the root body again.
    RapBytes b;
    b.Raw(raptest::kSignature).Long(0).Long(rapformat::HeaderEight).Long(31);
    b.Str("").Count(1).Byte(rapformat::EntryClass).Str("C").Long(16).Long(31).Long(0);
    raptest::Decoded d = Decode(b.Get());
    EXPECT_EQ(d.code, RapUnexpectedEof);
    EXPECT_TRUE(EndsWith(d.text, ErrorLine(RapUnexpectedEof)));
    // Re-reading the root exhausts the read budget long before the depth bound.
    EXPECT_GE(Count(d.text, "class C"), 1u);
    EXPECT_LE(Count(d.text, "class C"), 10u);
}

TEST(RapHostile, SharedBodiesCannotMultiplyTheWork)
{
    // Forty bodies, each with two classes that both lead to the next body:
    // followed naively that is 2^40 bodies.
    const int levels = 40;
    const int bodySize = 20; // "" 02, two class entries of 7 bytes, next offset
    RapBytes b;
    b.Raw(raptest::kSignature).Long(0).Long(rapformat::HeaderEight).Long(0x7FFFFFFF);
    for (int i = 0; i < levels; ++i)
    {
        int32_t next = rapformat::ArmaHeaderSize + (i + 1) * bodySize;
        b.Str("")
            .Count(2)
            .Byte(rapformat::EntryClass)
            .Str("a")
            .Long(next)
            .Byte(rapformat::EntryClass)
            .Str("b")
            .Long(next)
            .Long(0);
    }
    b.Str("").Count(1).Byte(1).Byte(2).Str("v").Long(1).Long(0);
    raptest::Decoded d = Decode(b.Get());
    EXPECT_EQ(d.code, RapUnexpectedEof);
    EXPECT_TRUE(EndsWith(d.text, ErrorLine(RapUnexpectedEof)));
    EXPECT_LT(d.text.size(), 100000u);
}

TEST(RapHostile, ClassNestingIsBounded)
{
    for (int levels : {DeRap::MaxDepth - 1, DeRap::MaxDepth + 50})
    {
        bool fits = levels < DeRap::MaxDepth;
        raptest::Decoded arma = Decode(ArmaBytes(Nested(levels)));
        EXPECT_EQ(arma.code, fits ? RapNoError : RapUnexpectedEof) << levels;
        raptest::Decoded inlined = Decode(InlineBytes("r", Nested(levels)));
        EXPECT_EQ(inlined.code, fits ? RapNoError : RapUnexpectedEof) << levels;
        if (fits)
        {
            EXPECT_EQ(Count(arma.text, "class C"), static_cast<size_t>(levels));
        }
    }
}

TEST(RapHostile, ArrayNestingIsBounded)
{
    for (int levels : {100, DeRap::MaxDepth + 50})
    {
        RapClass root;
        root.Array("a", {NestedArray(levels)});
        raptest::Decoded arma = Decode(ArmaBytes(root));
        EXPECT_EQ(arma.code, levels == 100 ? RapNoError : RapUnexpectedEof) << levels;
        raptest::Decoded inlined = Decode(InlineBytes("r", root));
        EXPECT_EQ(inlined.code, arma.code) << levels;
    }
}

// One string of the inline layout reused by index costs one or two bytes a
// use but is written out in full each time. The text is bounded by the size of
// the data, so a small file cannot expand to gigabytes.
TEST(RapHostile, ReusedStringsCannotExpandWithoutBound)
{
    struct Case
    {
        size_t stringLength;
        int uses;
        RapError code;
    };
    const Case cases[] = {
        {4000, 100, RapNoError},        // 400 KB of text: well inside the bound
        {4000, 2000, RapOutOfMemory},   // 8 MB of text from 8 KB of data
        {16000, 32767, RapOutOfMemory}, // 524 MB from 80 KB
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.uses);
        const std::string word(c.stringLength, 'w');
        Bytes bytes = InlineReusedString(word, c.uses);
        raptest::Decoded d = Decode(bytes);
        EXPECT_EQ(d.code, c.code);
        if (c.code == RapNoError)
        {
            EXPECT_EQ(Count(d.text, word), static_cast<size_t>(c.uses));
            EXPECT_EQ(d.text,
                      Decode(InlineBytes("r", RapClass().Array("a", std::vector<RapValue>(static_cast<size_t>(c.uses),
                                                                                          RapValue::String(word)))))
                          .text);
        }
        else
        {
            // Passing the bound drops the text, as a failed growth does.
            EXPECT_TRUE(d.textNull);
        }
    }
}
