// Binary config output: the documented example files byte for byte, and every
// layout of a table of sources against an independent layout of the expected
// tree, Xbox signature included.

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

#include "OutputTestUtil.h"
#include "support/Capture.h"

using namespace testsupport;
using outtest::CompileWrite;
using outtest::Written;

namespace
{
// An Arma-layout config of an empty root, byte for byte as published.
const Bytes kArmaEmpty = {0x00, 0x72, 0x61, 0x50, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x16,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

// The inline layout's view of a tree: no expressions (array strings that
// begin with '_' stay strings) and delete entries written as empty classes.
RapValue InlineValue(RapValue v)
{
    if (v.subtype == 4)
        v.subtype = 0;
    for (RapValue& e : v.elements)
        e = InlineValue(e);
    return v;
}

RapClass InlineView(const RapClass& c)
{
    RapClass out;
    out.inherit = c.inherit;
    for (const RapEntry& e : c.entries)
    {
        if (e.type == 0)
            out.Class(e.name, InlineView(*e.body));
        else if (e.type == 4)
            out.Class(e.name, RapClass());
        else
        {
            RapEntry copy = e;
            copy.value = InlineValue(e.value);
            out.entries.push_back(copy);
        }
    }
    return out;
}

RapClass Values(std::initializer_list<std::pair<const char*, RapValue>> values)
{
    RapClass c;
    for (const auto& v : values)
        c.Value(v.first, v.second);
    return c;
}

std::string Repeat(const std::string& piece, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += piece;
    return s;
}

RapClass ManyEntries(int n)
{
    RapClass inner;
    for (int i = 0; i < n; ++i)
        inner.Value("v" + std::to_string(i), RapValue::Int(i));
    RapClass root;
    root.Class("Big", inner).Value("after", RapValue::Int(1));
    return root;
}

std::string ManyEntriesText(int n)
{
    std::string s = "class Big {\n";
    for (int i = 0; i < n; ++i)
        s += "v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
    return s + "};\nafter = 1;\n";
}
} // namespace

TEST(ConfigOutput, DocumentedFilesOfOneValue)
{
    struct Row
    {
        const char* text;
        bool forceBinary;
        const Bytes& expected;
    } rows[] = {
        {"a = 1;\n", false, kInlineA1},
        {"a = 1;\n", true, kArmaA1},
        {"#pragma _arma_\na = 1;\n", false, kArmaA1},
        {"#pragma _xbox_\na = 1;\n", false, kArmaA1},
        // A published addon's config of an empty root.
        {"", true, kArmaEmpty},
        {"#pragma _arma_\n// nothing else\n", false, kArmaEmpty},
    };
    for (const Row& row : rows)
    {
        Written w = CompileWrite(row.text, row.forceBinary);
        EXPECT_EQ(w.compile, 0) << row.text;
        EXPECT_EQ(w.output, 0) << row.text;
        EXPECT_EQ(w.bytes, row.expected) << row.text << " forceBinary " << row.forceBinary;
    }
}

// Each source is written in the three layouts and compared with the same
// tree laid out independently (the expected tree is the Arma view).
TEST(ConfigOutput, LayoutsOfSourcesMatchTheirTrees)
{
    RapClass patchesA;
    patchesA.inherit = "Base";
    patchesA.Array("units", {RapValue::String("x"), RapValue::Int(1),
                             RapValue::Array({RapValue::Float(2.5f), RapValue::String("y")})});
    patchesA.Value("name", RapValue::String("he said \"hi\""));
    RapClass patches;
    patches.Class("A", patchesA);
    RapClass example;
    example.Class("CfgPatches", patches).Value("version", RapValue::Int(3));

    RapClass nested;
    nested.Class("L1", RapClass().Class("L2", RapClass().Class("L3", Values({{"deep", RapValue::Int(3)}}))));
    nested.Class("Empty", RapClass()).Class("Second", Values({{"z", RapValue::Float(-0.25f)}}));

    struct Row
    {
        const char* label;
        std::string text;
        RapClass tree;
        std::vector<RapEnum> enums;
        // A class declared without a body has no inline form.
        bool inlineRefused = false;
    } rows[] = {
        {"worked example",
         "class CfgPatches { class A : Base { units[] = {\"x\", 1, {2.5, \"y\"}};\n"
         "name = \"he said \"\"hi\"\"\"; }; };\nversion = 3;\nenum { E1, E2 = 5 };\n",
         example,
         {{"E1", 0}, {"E2", 5}}},
        {"bodies placed depth first",
         "class L1 { class L2 { class L3 { deep = 3; }; }; };\nclass Empty {};\n"
         "class Second { z = -0.25; };\n",
         nested,
         {}},
        {"128 entries take a two-byte count", ManyEntriesText(128), ManyEntries(128), {}},
        {"127 entries take one byte", ManyEntriesText(127), ManyEntries(127), {}},
        {"200 entries", ManyEntriesText(200), ManyEntries(200), {}},
        {"expressions are array strings that begin with _ or (_",
         "x[] = {_foo, \"_foo\", \"(_foo)\", foo, \"(a)\"};\ny = _foo;\nz = \"(_foo)\";\n",
         RapClass()
             .Array("x", {RapValue::Expression("_foo"), RapValue::Expression("_foo"), RapValue::Expression("(_foo)"),
                          RapValue::String("foo"), RapValue::String("(a)")})
             .Value("y", RapValue::String("_foo"))
             .Value("z", RapValue::String("(_foo)")),
         {}},
        {"names and strings indexed once, ignoring case",
         "FOO = 1;\nFoo = FOO;\nbar = \"foo\";\nclass fOO {};\n",
         RapClass()
             .Value("FOO", RapValue::Int(1))
             .Value("Foo", RapValue::String("FOO"))
             .Value("bar", RapValue::String("foo"))
             .Class("fOO", RapClass()),
         {}},
        {"extern and class declarations",
         "class A;\nextern class B;\nextern C;\nintern D;\nk = 1;\n",
         RapClass().Declare("A").Delete("B").Delete("C").Declare("D").Value("k", RapValue::Int(1)),
         {},
         true},
        {"empty source", "", RapClass(), {}},
        {"enumerators only", "enum { A, B };\n", RapClass(), {{"A", 0}, {"B", 1}}},
        {"number texts",
         "a = .;\nb = 007;\nc = 5.;\nd = -7;\ne = -.5;\nf = 0.1;\ng = 1e5;\nh = \"12\";\n",
         Values({{"a", RapValue::Float(0.0f)},
                 {"b", RapValue::Int(7)},
                 {"c", RapValue::Float(5.0f)},
                 {"d", RapValue::Int(-7)},
                 {"e", RapValue::Float(-0.5f)},
                 {"f", RapValue::Float(0.1f)},
                 {"g", RapValue::String("1e5")},
                 {"h", RapValue::String("12")}}),
         {}},
        {"integers beyond 32 bits become floats",
         "a = 2147483647;\nb = -2147483648;\nc = 2147483648;\nd = -2147483649;\ne = 99999999999999999999;\n"
         "f[] = {4294967296, -00000000000000000000005};\n",
         RapClass()
             .Value("a", RapValue::Int(2147483647))
             .Value("b", RapValue::Int(-2147483647 - 1))
             .Value("c", RapValue::Float(2147483648.0f))
             .Value("d", RapValue::Float(-2147483649.0f))
             .Value("e", RapValue::Float(1e20f))
             .Array("f", {RapValue::Float(4294967296.0f), RapValue::Int(-5)}),
         {}},
        // Rounded to double, then to float: below FLT_MAX plus half its last
        // place stays FLT_MAX, the halfway value rounds to even (infinity).
        {"floats beyond single precision",
         "a = " + Repeat("9", 39) + ".5;\nb = 0." + Repeat("0", 50) +
             "1;\n"
             "c = 340282351709131260724621789471329746944.0;\nd = 340282356779733661637539395458142568448.0;\n"
             "e = -" +
             Repeat("9", 400) + ".5;\n",
         Values({{"a", RapValue::Float(std::numeric_limits<float>::infinity())},
                 {"b", RapValue::Float(0.0f)},
                 {"c", RapValue::Float(FLT_MAX)},
                 {"d", RapValue::Float(std::numeric_limits<float>::infinity())},
                 {"e", RapValue::Float(-std::numeric_limits<float>::infinity())}}),
         {}},
        {"empty values are empty strings",
         "a = ;\nb[] = {1,,2};\nc = \"\";\n",
         RapClass()
             .Value("a", RapValue::String(""))
             .Array("b", {RapValue::Int(1), RapValue::String(""), RapValue::Int(2)})
             .Value("c", RapValue::String("")),
         {}},
        {"enumerators",
         "x = 1;\nenum { A, B = 5, C };\nclass K { enum { D }; };\n",
         RapClass().Value("x", RapValue::Int(1)).Class("K", RapClass()),
         {{"A", 0}, {"B", 5}, {"C", 6}, {"D", 0}}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.label);
        Rapify compiler;
        ASSERT_EQ(compiler.ProcessBuffer(row.text.c_str(), "P:\\addon\\config.cpp", nullptr, nullptr), 0);
        Written inlined = outtest::WriteTree(compiler, false);
        if (row.inlineRefused)
        {
            EXPECT_EQ(inlined.output, 2);
            EXPECT_FALSE(inlined.exists);
            ASSERT_NE(compiler.GetLimitText(), nullptr);
            EXPECT_STREQ(compiler.GetLimitText(), "class A; has no form in the inline layout");
        }
        else
        {
            EXPECT_EQ(inlined.output, 0);
            EXPECT_EQ(inlined.bytes, InlineBytes("config.cpp", InlineView(row.tree), row.enums));
        }
        Written arma = outtest::WriteTree(compiler, true);
        EXPECT_EQ(arma.output, 0);
        EXPECT_EQ(compiler.GetLimitText(), nullptr);
        EXPECT_EQ(arma.bytes, ArmaBytes(row.tree, row.enums));

        // The signature is the HMAC of bytes 24 to the end; the rest of the
        // file is laid out as the Arma one.
        Written xbox = CompileWrite("#pragma _xbox_ WithSignature\n" + row.text);
        EXPECT_EQ(xbox.output, 0);
        Bytes signature = outtest::XboxSignature(xbox.bytes);
        EXPECT_NE(signature, Bytes(20, 0));
        EXPECT_EQ(xbox.bytes, XboxBytes(row.tree, row.enums, signature));
    }
}
