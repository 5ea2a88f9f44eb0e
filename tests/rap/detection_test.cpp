// Layout detection, opening files and buffers, closing and ownership.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "RapTestUtil.h"
#include "RazDLL.h"
#include "support/RapBytes.h"
#include "support/Rows.h"

using namespace testsupport;
using raptest::Decode;
using raptest::ErrorLine;

namespace
{
class DeRapProbe : public DeRap
{
public:
    using DeRap::data;
    using DeRap::layout;
    using DeRap::position;
    using DeRap::size;
    using DeRap::spaceSignature;
};

Bytes OneValueArma()
{
    return ArmaBytes(RapClass().Value("a", RapValue::Int(1)));
}

Bytes Signature()
{
    Bytes s;
    for (int i = 0; i < 20; ++i)
        s.push_back(static_cast<unsigned char>(i * 13 + 1));
    return s;
}

Bytes Padded(Bytes b, size_t size)
{
    b.resize(size, 0x11);
    return b;
}
} // namespace

TEST(RapDetection, HeadersAndTheirLayouts)
{
    const Bytes rap = {0x00, 0x72, 0x61, 0x50};
    struct Case
    {
        const char* what;
        Bytes bytes;
        bool accepted;
        int layout;
        uint32_t position;
    };
    Bytes armaHeader = rap;
    armaHeader.insert(armaHeader.end(), {0, 0, 0, 0, 8, 0, 0, 0});
    Bytes xboxHeader = rap;
    xboxHeader.insert(xboxHeader.end(), 20, 0x5A);
    xboxHeader.insert(xboxHeader.end(), {0, 0, 0, 0, 8, 0, 0, 0});
    const Case cases[] = {
        {"inline, 8 bytes", {0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00, 0x00}, true, 0, 7},
        {"7 bytes", {0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00}, false, 0, 0},
        {"wrong tag", {0x00, 0x72, 0x41, 0x50, 0x04, 0x00, 0x00, 0x00}, false, 0, 0},
        {"wrong first byte", {0x01, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00, 0x00}, false, 0, 0},
        {"space and inline", {0x20, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00, 0x00}, false, 0, 0},
        {"arma, 12 bytes", armaHeader, true, 1, 12},
        {"11 bytes, no inline header", Bytes(armaHeader.begin(), armaHeader.end() - 1), false, 1, 4},
        {"xbox, 32 bytes", xboxHeader, true, 2, 32},
        {"neither header, 31 bytes", Padded(rap, 31), false, 1, 8},
    };
    testsupport::CheckRows(cases, [&](const Case& c) {
        std::unique_ptr<unsigned char[]> copy = raptest::ExactCopy(c.bytes);
        DeRapProbe derap;
        EXPECT_EQ(derap.SetAsRapData(copy.get(), static_cast<unsigned>(c.bytes.size()), "x"), c.accepted);
        EXPECT_EQ(derap.layout, c.layout);
        EXPECT_EQ(derap.position, c.position);
        EXPECT_FALSE(derap.xboxTextMeta);
    });
}

TEST(RapDetection, NeitherHeaderIsAnXboxTextMetaFile)
{
    Bytes meta = Padded({0x00, 0x72, 0x61, 0x50}, 32);
    std::unique_ptr<unsigned char[]> copy = raptest::ExactCopy(meta);
    DeRap derap;
    EXPECT_FALSE(derap.SetAsRapData(copy.get(), 32, "x"));
    EXPECT_TRUE(derap.xboxTextMeta);
    const char* text = "untouched";
    EXPECT_EQ(derap.ConvertRapData(&text), RapXboxTextMeta);
    EXPECT_STREQ(text, "untouched");

    TempDir dir;
    dir.Put("meta.bin", meta);
    EXPECT_EQ(derap.OpenRapFile(dir.Path("meta.bin").c_str()), RapXboxTextMeta);
    EXPECT_EQ(derap.ConvertRapData(&text), RapXboxTextMeta);
    EXPECT_STREQ(text, "untouched");
}

TEST(RapDetection, SpaceCodedDataIsRestoredInPlace)
{
    Bytes plain = OneValueArma();
    Bytes coded = plain;
    for (unsigned char& b : coded)
        b = b == 0 ? 0x20 : b;
    std::unique_ptr<unsigned char[]> copy = raptest::ExactCopy(coded);
    DeRapProbe derap;
    ASSERT_TRUE(derap.SetAsRapData(copy.get(), static_cast<unsigned>(coded.size()), "config.bin"));
    EXPECT_TRUE(derap.spaceSignature);
    EXPECT_EQ(copy[0], 0x20);
    EXPECT_EQ(Bytes(copy.get() + 4, copy.get() + coded.size()), Bytes(plain.begin() + 4, plain.end()));
    raptest::Decoded d = raptest::Convert(derap);
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, Decode(plain).text);
}

TEST(RapDetection, TooShortArmaFileEndsAtTheRootBody)
{
    Bytes header = {0x00, 0x72, 0x61, 0x50, 0, 0, 0, 0, 8, 0, 0, 0};
    raptest::Decoded d = Decode(header, "n.bin");
    EXPECT_EQ(d.code, RapUnexpectedEof);
    EXPECT_EQ(d.text, "#define _ARMA_\r\n\r\n\r\n//Class n.bin{\r\n" + ErrorLine(RapUnexpectedEof));
}

TEST(RapDetection, InlineRootWithoutNameAnswersOutOfMemory)
{
    raptest::Decoded d = Decode({0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00, 0x00});
    EXPECT_EQ(d.code, RapOutOfMemory);
    EXPECT_EQ(d.text, "//Derap: Out of memory\r\n");
}

TEST(RapDetection, XboxHeaderLineShowsTheSignature)
{
    Bytes bytes = XboxBytes(RapClass().Value("a", RapValue::Int(1)), {}, Signature());
    raptest::Decoded d = Decode(bytes, "config.bin", {true, false, true});
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "#pragma _XBOX_ WithSignature //010E1B2835424F5C697683909DAAB7C4D1DEEBF8\r\n\r\n"
                      "//Class config.bin{\r\na = 1;\r\n//};\r\n");
    DeRap derap;
    EXPECT_STREQ(derap.GetAsciiSig(nullptr), "");
    Bytes sig = Signature();
    EXPECT_STREQ(derap.GetAsciiSig(sig.data()), "010E1B2835424F5C697683909DAAB7C4D1DEEBF8");
}

TEST(RapDetection, ClassCommentUsesTheLastPathComponent)
{
    const std::pair<const char*, const char*> names[] = {
        {"C:\\data\\config.bin", "config.bin"},
        {"dir/sub/x.bin", "x.bin"},
        {"plain", "plain"},
        {"a/b\\c/d", "c/d"},
        {"", ""},
    };
    for (const auto& n : names)
    {
        raptest::Decoded d = Decode(OneValueArma(), n.first);
        EXPECT_EQ(d.text, std::string("#define _ARMA_\r\n\r\n\r\n//Class ") + n.second + "{\r\na = 1;\r\n//};\r\n");
    }
    raptest::Decoded unnamed = Decode(OneValueArma(), nullptr);
    EXPECT_EQ(unnamed.text, "#define _ARMA_\r\n\r\n\r\n//Class {\r\na = 1;\r\n//};\r\n");
}

TEST(RapOpen, FilesAreLoadedAndDetected)
{
    TempDir dir;
    dir.Put("config.bin", OneValueArma());
    dir.Put("text.cpp", std::string("class A {};\r\n"));
    dir.Put("empty.bin", Bytes());

    DeRapProbe derap;
    EXPECT_EQ(derap.OpenRapFile(dir.Path("missing.bin").c_str()), RapNoFile);
    EXPECT_EQ(derap.OpenRapFile(dir.Path().c_str()), RapNoFile);
    EXPECT_EQ(derap.OpenRapFile(nullptr), RapNoFile);
    EXPECT_EQ(derap.OpenRapFile(dir.Path("empty.bin").c_str()), RapNotRapFile);
    EXPECT_EQ(derap.OpenRapFile(dir.Path("text.cpp").c_str()), RapNotRapFile);
    EXPECT_EQ(derap.data, nullptr);
    EXPECT_EQ(derap.size, 0u);

    std::string path = dir.Path("config.bin");
    ASSERT_EQ(derap.OpenRapFile(path.c_str()), RapNoError);
    const char* text = nullptr;
    EXPECT_EQ(derap.ConvertRapData(&text), RapNoError);
    EXPECT_STREQ(text, "#define _ARMA_\r\n\r\n\r\n//Class config.bin{\r\na = 1;\r\n//};\r\n");

    // Backslashes in the path reach the same file.
    std::string back = dir.Path() + "\\config.bin";
    EXPECT_EQ(derap.OpenRapFile(back.c_str()), RapNoError);
}

TEST(RapOpen, CloseFalseLeavesTheTextToTheCaller)
{
    Bytes bytes = OneValueArma();
    DeRap derap;
    ASSERT_TRUE(derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "c.bin"));
    const char* text = nullptr;
    ASSERT_EQ(derap.ConvertRapData(&text), RapNoError);
    derap.Close(false);
    EXPECT_STREQ(text, "#define _ARMA_\r\n\r\n\r\n//Class c.bin{\r\na = 1;\r\n//};\r\n");
    std::free(const_cast<char*>(text));

    // A new open releases the text of the previous conversion itself.
    ASSERT_TRUE(derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "c.bin"));
    ASSERT_EQ(derap.ConvertRapData(&text), RapNoError);
    ASSERT_TRUE(derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "d.bin"));
    ASSERT_EQ(derap.ConvertRapData(&text), RapNoError);
    EXPECT_STREQ(text, "#define _ARMA_\r\n\r\n\r\n//Class d.bin{\r\na = 1;\r\n//};\r\n");
}

TEST(RapOpen, WriteDecodedTextAfterAConversion)
{
    TempDir dir;
    Bytes bytes = OneValueArma();
    DeRap derap;
    ASSERT_TRUE(derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "c.bin"));
    const char* text = nullptr;
    ASSERT_EQ(derap.ConvertRapData(&text), RapNoError);
    ASSERT_TRUE(derap.WriteDecodedText(dir.Path("config.cpp").c_str()));
    std::string written;
    for (unsigned char c : dir.Read("config.cpp"))
        written += static_cast<char>(c);
    EXPECT_EQ(written, text);
}

// Every code has a text of its own, each but the last two names the decoder
// (in either spelling the messages use), and codes outside the family share
// one text; a few texts are spelt out in full.
TEST(RapOpen, ErrorTexts)
{
    const std::string unknown = "DeRap: Unknown error";
    std::set<std::string> texts;
    for (int code = RapNoError; code <= RapXboxTextMeta; ++code)
    {
        const std::string text = DeRap::ErrorString(static_cast<RapError>(code));
        EXPECT_TRUE(texts.insert(text).second) << code << " repeats " << text;
        EXPECT_NE(text, unknown) << code;
        const bool named = text.compare(0, 7, "DeRap: ") == 0 || text.compare(0, 7, "Derap: ") == 0;
        EXPECT_EQ(named, code < RapNamedEmbeddedArray) << text;
    }
    for (int outside : {-1, RapXboxTextMeta + 1, 255})
        EXPECT_EQ(DeRap::ErrorString(static_cast<RapError>(outside)), unknown) << outside;

    const std::pair<RapError, const char*> spelt[] = {
        {RapNoError, "DeRap: No error(s)"},
        {RapOutOfMemory, "Derap: Out of memory"},
        {RapRootInherits, "DeRap: Implied class body can't have inherit string"},
        {RapUnknownEntryType, "DeRap: Unknown Entry type"},
        {RapNameExpected, "Derap: Token Name expected for entry"},
        {RapXboxTextMeta, "Is xbox text meta file"},
    };
    for (const auto& row : spelt)
        EXPECT_STREQ(DeRap::ErrorString(row.first), row.second) << row.first;
}

TEST(RapOpen, TheAggregateOwnsADecoder)
{
    RazDLL aggregate;
    Bytes bytes = OneValueArma();
    ASSERT_TRUE(aggregate.derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "c.bin"));
    const char* text = nullptr;
    EXPECT_EQ(aggregate.derap.ConvertRapData(&text), RapNoError);
    EXPECT_STREQ(text, "#define _ARMA_\r\n\r\n\r\n//Class c.bin{\r\na = 1;\r\n//};\r\n");
}
