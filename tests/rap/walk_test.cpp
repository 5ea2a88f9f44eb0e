// Text layout of classes, values and arrays, options, and walk errors.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RapTestUtil.h"
#include "support/RapBytes.h"
#include "support/Rows.h"

using namespace testsupport;
using raptest::Decode;
using raptest::ErrorLine;

namespace
{
const std::string kArmaHead = "#define _ARMA_\r\n\r\n\r\n//Class c.bin{\r\n";
const std::string kRootEnd = "//};\r\n";

// Arma root body (at 16) with the given entry bytes; the enum list offset
// points past the end.
Bytes ArmaRoot(const Bytes& entries, int count = 1, const std::string& inherit = "")
{
    RapBytes b;
    b.Raw(raptest::kSignature).Long(0).Long(rapformat::HeaderEight).Long(0x7FFFFFFF);
    b.Str(inherit).Count(count).Raw(entries);
    return b.Get();
}

// Inline root named r with the given entry bytes (names as plain indices).
Bytes InlineRoot(const Bytes& entries, int count = 1)
{
    RapBytes b;
    b.Raw(raptest::InlineHead()).Byte(rapformat::EntryClass).Count(0).Str("r").Str("").Count(count).Raw(entries);
    return b.Get();
}

std::string ArmaText(const RapClass& root, raptest::Options options = {})
{
    raptest::Decoded d = Decode(ArmaBytes(root), "c.bin", options);
    EXPECT_EQ(d.code, RapNoError);
    return d.text;
}

struct ErrorCase
{
    const char* what;
    Bytes entry;
    RapError code;
    std::string text; // after the head, before the error line
};

// Decodes a root holding each case's entry bytes.
void ExpectErrors(const std::vector<ErrorCase>& cases, const std::function<Bytes(const Bytes&)>& root,
                  const std::string& head)
{
    testsupport::CheckRows(cases, [&](const ErrorCase& c) {
        raptest::Decoded d = Decode(root(c.entry), "c.bin");
        EXPECT_EQ(d.code, c.code);
        EXPECT_EQ(d.text, head + c.text + ErrorLine(c.code));
    });
}

RapClass ExampleA()
{
    RapClass a;
    a.inherit = "Base";
    a.Value("x", RapValue::Int(1));
    RapClass root;
    root.Class("E", RapClass()).Class("A", a);
    return root;
}
} // namespace

TEST(RapWalk, EmptyClassesAndDeclarations)
{
    RapClass root;
    root.Class("E", RapClass()).Declare("D").Delete("X").Value("s", RapValue::Expression("2 + a"));
    EXPECT_EQ(ArmaText(root), kArmaHead + "class E{};\r\nclass D;\r\ndelete X;\r\ns = 2 + a;\r\n" + kRootEnd);

    raptest::Decoded d = Decode(InlineBytes("r", RapClass().Class("E", RapClass())));
    EXPECT_EQ(d.text, "//class r {\r\nclass E {};\r\n//};\r\n");
}

TEST(RapWalk, ShowOffsetsAnnotatesBodies)
{
    Bytes bytes = ArmaBytes(ExampleA());
    // Root at 16: "" 02 | 00 E 00 off | 00 A 00 off | next = 36; E at 36 (6
    // bytes), A at 42 ("Base" 01, x = 1, next) up to 60, the enum list.
    raptest::Decoded d = Decode(bytes, "c.bin", {false, true, true});
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "#define _ARMA_\r\n\r\n\r\n//Class c.bin{\r\n"
                      "//NextOffset 0000003C\r\n"
                      "class E\t/*@00000024*/\r\n"
                      "{\r\n"
                      " //NextClass 0000002A\r\n"
                      "};\r\n"
                      "class A\t/*@0000002A*/: Base\r\n"
                      "{\r\n"
                      " x = 1;\r\n"
                      " //NextClass 0000003C\r\n"
                      "};\r\n"
                      "//NextClass 0000003C\r\n"
                      "//};\r\n");
}

TEST(RapWalk, OffsetsPrintAsUnsigned32Bits)
{
    // A class whose offset is FFFFFFFF cannot be read.
    RapBytes entry;
    entry.Byte(0).Str("C").Long(-1);
    raptest::Decoded d = Decode(ArmaRoot(entry.Get()), "c.bin", {false, true, true});
    EXPECT_EQ(d.code, RapUnexpectedEof);
    EXPECT_EQ(d.text, kArmaHead + "//NextOffset 7FFFFFFF\r\nclass C\t/*@FFFFFFFF*/" + ErrorLine(RapUnexpectedEof));
}

TEST(RapWalk, TabIndentKeepsTheEnumTab)
{
    RapClass inner;
    inner.Value("v", RapValue::Int(2));
    RapClass middle;
    middle.Class("In", inner);
    RapClass root;
    root.Class("Mid", middle);
    raptest::Decoded d = Decode(ArmaBytes(root, {{"K", -4}}), "c.bin", {false, false, false});
    EXPECT_EQ(d.text, kArmaHead + "class Mid\r\n{\r\n\tclass In\r\n\t{\r\n\t\tv = 2;\r\n\t};\r\n};\r\n" + kRootEnd +
                          "enum {\r\n\tK=-4\r\n};\r\n");
}

TEST(RapWalk, RootBodyRules)
{
    raptest::Decoded inherits = Decode(ArmaRoot({1, 2, 'a', 0, 1, 0, 0, 0}, 1, "Base"), "c.bin");
    EXPECT_EQ(inherits.code, RapRootInherits);
    EXPECT_EQ(inherits.text, kArmaHead + ": Base" + ErrorLine(RapRootInherits));

    // A root without entries is a config without classes: the header lines,
    // then the enum list if there is one.
    const std::string zeroSignature(40, '0');
    const struct
    {
        Bytes bytes;
        std::string text;
    } empties[] = {
        {{0x00, 0x72, 0x61, 0x50, 0, 0, 0, 0, 8, 0, 0, 0, 0x16, 0, 0, 0, 0, 0, 0x16, 0, 0, 0, 0, 0, 0, 0},
         "#define _ARMA_\r\n\r\n\r\n"},
        {ArmaRoot({}, 0), "#define _ARMA_\r\n\r\n\r\n"},
        {RapBytes()
             .Raw(raptest::kSignature)
             .Long(0)
             .Long(rapformat::HeaderEight)
             .Long(22)
             .Str("")
             .Count(0)
             .Long(22)
             .Long(1)
             .Str("E")
             .Long(3)
             .Get(),
         "#define _ARMA_\r\n\r\n\r\nenum {\r\n\tE=3\r\n};\r\n"},
        {RapBytes()
             .Raw(raptest::kSignature)
             .Raw(Bytes(rapformat::XboxSignatureSize, 0))
             .Long(0)
             .Long(rapformat::HeaderEight)
             .Long(42)
             .Str("")
             .Count(0)
             .Long(42)
             .Long(0)
             .Get(),
         "#define _XBOX_ WithSignature //" + zeroSignature + "\r\n\r\n"},
    };
    for (const auto& e : empties)
    {
        raptest::Decoded empty = Decode(e.bytes, "c.bin");
        EXPECT_EQ(empty.code, RapNoError);
        EXPECT_EQ(empty.text, e.text);
    }

    // An inline root may be empty and may inherit.
    RapClass base;
    base.inherit = "Base";
    EXPECT_EQ(Decode(InlineBytes("r", RapClass())).text, "//class r {};\r\n");
    raptest::Decoded inlineBase = Decode(InlineBytes("r", base));
    EXPECT_EQ(inlineBase.code, RapNoError);
    EXPECT_EQ(inlineBase.text, "//class r: Base {};\r\n");
}

TEST(RapWalk, EntryAndValueErrors)
{
    ExpectErrors(
        {
            {"named embedded array", {1, 3, 'a', 0, 0}, RapNamedEmbeddedArray, "a = "},
            {"unknown value subtype", {1, 9, 'a', 0}, RapUnknownEntryType, "a = "},
            {"unknown element subtype", {2, 'a', 0, 2, 2, 1, 0, 0, 0, 9}, RapUnknownArrayType, "a[] = {1,"},
            {"unknown entry type", {5}, RapUnknownEntryType, ""},
            {"unnamed value", {1, 2, 0, 1, 0, 0, 0}, RapNameExpected, ""},
            {"unnamed array", {2, 0, 0}, RapNameExpected, ""},
            {"value name cut off", {1, 2, 'a'}, RapOutOfMemory, ""},
            {"array name cut off", {2, 'a'}, RapOutOfMemory, ""},
            {"class name cut off", {0, 'C'}, RapUnexpectedEof, ""},
            {"declaration cut off", {3, 'C'}, RapUnexpectedEof, ""},
            {"subtype cut off", {1}, RapUnexpectedEof, ""},
            {"string value cut off", {1, 0, 'a', 0, 'x'}, RapUnexpectedEof, "a = "},
            {"element cut off", {2, 'a', 0, 2, 2, 1, 0, 0, 0}, RapUnexpectedEof, "a[] = {1,"},
            {"count cut off", {2, 'a', 0, 0x81}, RapUnexpectedEof, "a[] = {"},
        },
        [](const Bytes& entry) { return ArmaRoot(entry); }, kArmaHead);
}

TEST(RapWalk, InlineLayoutRefusesArmaOnlyItems)
{
    ExpectErrors(
        {
            {"declaration", {3, 'C', 0}, RapUnknownEntryType, ""},
            {"delete", {4, 'C', 0}, RapUnknownEntryType, ""},
            {"expression value", {1, 4, 1, 'a', 0, 'x', 0}, RapUnknownEntryType, "a = "},
            {"expression element", {2, 1, 'a', 0, 1, 4, 'x', 0}, RapUnknownArrayType, "a[] = {"},
            {"string value cut off", {1, 0, 1, 'a', 0, 2}, RapUnexpectedEof, "a = "},
            {"class without count", {0, 1, 'C', 0, 0}, RapUnexpectedEof, "class C {"},
            {"class without inherit", {0, 1, 'C', 0}, RapOutOfMemory, ""},
        },
        [](const Bytes& entry) { return InlineRoot(entry); }, "//class r {\r\n");
}

TEST(RapWalk, InlineStringQuoting)
{
    const std::pair<const char*, const char*> cases[] = {
        {"abc_1", "abc_1"},
        {"1abc", "1abc"},
        {"$STR_X", "$STR_X"},
        {"123", "\"123\""},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"say \"x\"", "\"say \"\"x\"\"\""},
        {"\xE9t\xE9", "\"\xE9t\xE9\""},
        {"$ odd", "$ odd"},
        {"_", "_"},
        {"a-b", "\"a-b\""},
    };
    for (const auto& c : cases)
    {
        raptest::Decoded d = Decode(InlineBytes("r", RapClass().Value("v", RapValue::String(c.first))));
        EXPECT_EQ(d.text, std::string("//class r {\r\nv = ") + c.second + ";\r\n//};\r\n") << c.first;
    }
    // The Arma layout always quotes.
    EXPECT_EQ(ArmaText(RapClass().Array("v", {RapValue::String("abc"), RapValue::String("")})),
              kArmaHead + "v[] = {\"abc\",\"\"};\r\n" + kRootEnd);
}

TEST(RapWalk, InlineStringsShareIndicesWhateverTheirCase)
{
    RapClass root;
    root.Value("Hello", RapValue::String("hello"))
        .Value("b", RapValue::String("HELLO"))
        .Value("c", RapValue::String("b"));
    Bytes bytes = InlineBytes("r", root);
    raptest::Decoded d = Decode(bytes);
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "//class r {\r\nHello = Hello;\r\nb = Hello;\r\nc = b;\r\n//};\r\n");
}

TEST(RapWalk, NumbersAndTheirEdges)
{
    RapClass root;
    root.Value("f", RapValue::Float(1e10f))
        .Value("g", RapValue::Float(0.1f))
        .Value("h", RapValue::Float(1.5e-5f))
        .Value("p", RapValue::Float(9634.6455f))
        .Value("i", RapValue::Int(INT32_MIN))
        .Array("n", {RapValue::Array({RapValue::Array({})}), RapValue::Array({})});
    EXPECT_EQ(ArmaText(root), kArmaHead +
                                  "f = 1e+010;\r\ng = 0.1;\r\nh = 1.5e-005;\r\np = 9634.6455;\r\ni = -2147483648;\r\n"
                                  "n[] = {\r\n { \r\n  {  } },\r\n {  }};\r\n" +
                                  kRootEnd);
}

TEST(RapWalk, LongAndFloatAtTheVeryEndReadAsMinusOne)
{
    raptest::Decoded integer = Decode(ArmaRoot({1, 2, 'a', 0, 7, 7}), "c.bin");
    EXPECT_EQ(integer.code, RapNoError);
    EXPECT_EQ(integer.text, kArmaHead + "a = -1;\r\n" + kRootEnd);
    raptest::Decoded real = Decode(ArmaRoot({1, 1, 'a', 0}), "c.bin");
    EXPECT_EQ(real.code, RapNoError);
    EXPECT_EQ(real.text, kArmaHead + "a = -1;\r\n" + kRootEnd);
}

TEST(RapWalk, EnumLists)
{
    RapClass root = RapClass().Value("a", RapValue::Int(1));
    const std::string body = kArmaHead + "a = 1;\r\n" + kRootEnd;
    EXPECT_EQ(Decode(ArmaBytes(root, {{"One", 1}}), "c.bin").text, body + "enum {\r\n\tOne=1\r\n};\r\n");
    EXPECT_EQ(Decode(ArmaBytes(root, {}), "c.bin").text, body);

    // Offset FFFFFFFF or past the end: no enum block, no error.
    Bytes bytes = ArmaBytes(root, {{"One", 1}});
    for (int32_t offset : {-1, static_cast<int32_t>(bytes.size()), static_cast<int32_t>(bytes.size()) + 100})
    {
        Bytes moved = bytes;
        RapBytes patch;
        patch.Raw(moved);
        patch.PatchLong(12, offset);
        raptest::Decoded d = Decode(patch.Get(), "c.bin");
        EXPECT_EQ(d.code, RapNoError) << offset;
        EXPECT_EQ(d.text, body) << offset;
    }

    // Fewer than four bytes where the count belongs; an enumerator cut off.
    Bytes shortCount = ArmaBytes(root, {});
    shortCount.resize(shortCount.size() - 1);
    EXPECT_EQ(Decode(shortCount, "c.bin").text, body + ErrorLine(RapUnexpectedEof));
    Bytes cut = ArmaBytes(root, {{"Two", 2}, {"Three", 3}});
    cut.resize(cut.size() - 8);
    EXPECT_EQ(Decode(cut, "c.bin").text, body + "enum {\r\n\tTwo=2,\r\n" + ErrorLine(RapUnexpectedEof));
}

TEST(RapWalk, ManyEntriesUseTwoByteCounts)
{
    RapClass big;
    std::string expected;
    for (int i = 0; i < 130; ++i)
    {
        big.Value("v" + std::to_string(i), RapValue::Int(i));
        expected += " v" + std::to_string(i) + " = " + std::to_string(i) + ";\r\n";
    }
    RapClass root;
    root.Class("Big", big);
    EXPECT_EQ(ArmaText(root), kArmaHead + "class Big\r\n{\r\n" + expected + "};\r\n" + kRootEnd);
    raptest::Decoded d = Decode(InlineBytes("r", root));
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "//class r {\r\nclass Big {\r\n" + expected + "};\r\n//};\r\n");
}

TEST(RapWalk, LongStringsAndNamesAreKeptWhole)
{
    std::string quoted(6000, 'q');
    quoted[10] = '"';
    quoted[5990] = '"';
    std::string doubled = quoted;
    doubled.insert(5990, "\"");
    doubled.insert(10, "\"");
    std::string name(12000, 'n');
    RapClass root;
    root.Value("s", RapValue::String(quoted)).Class(name, RapClass());
    EXPECT_EQ(ArmaText(root), kArmaHead + "s = \"" + doubled + "\";\r\nclass " + name + "{};\r\n" + kRootEnd);

    std::string fileName(20000, 'f');
    raptest::Decoded d = Decode(ArmaBytes(RapClass().Value("a", RapValue::Int(1))), fileName.c_str());
    EXPECT_EQ(d.text, "#define _ARMA_\r\n\r\n\r\n//Class " + fileName + "{\r\na = 1;\r\n" + kRootEnd);
}
