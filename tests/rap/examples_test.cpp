// The documented example files, built byte by byte, decoded to the exact text.
#include <gtest/gtest.h>

#include "RapTestUtil.h"
#include "support/RapBytes.h"

using namespace testsupport;
using raptest::Decode;

namespace
{
// Root: class CfgPatches { class A: Base { units[] = {"x", 1, {2.5, "y"}};
// name = "he said "hi""; }; }; version = 3; enum E1 = 0, E2 = 5.
RapClass ExampleTree()
{
    RapClass a;
    a.inherit = "Base";
    a.Array("units",
            {RapValue::String("x"), RapValue::Int(1), RapValue::Array({RapValue::Float(2.5f), RapValue::String("y")})});
    a.Value("name", RapValue::String("he said \"hi\""));
    RapClass patches;
    patches.Class("A", a);
    RapClass root;
    root.Class("CfgPatches", patches).Value("version", RapValue::Int(3));
    return root;
}

const std::vector<RapEnum> kExampleEnums = {{"E1", 0}, {"E2", 5}};

const char* const kEnumLines = "enum {\r\n\tE1=0,\r\n\tE2=5\r\n};\r\n";

// The units array of class A, element count first.
void UnitsBody(RapBytes& b, bool indexed)
{
    b.Count(3);
    b.Byte(0);
    if (indexed)
        b.Count(4);
    b.Str("x");
    b.Byte(2).Long(1);
    b.Byte(3).Count(2).Byte(1).Float(2.5f).Byte(0);
    if (indexed)
        b.Count(5);
    b.Str("y");
}
} // namespace

TEST(RapExamples, ArmaFileOfOneValue)
{
    EXPECT_EQ(kArmaA1.size(), 34u);
    EXPECT_EQ(ArmaBytes(RapClass().Value("a", RapValue::Int(1))), kArmaA1);
    raptest::Decoded d = Decode(kArmaA1, "config.bin");
    EXPECT_TRUE(d.accepted);
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "#define _ARMA_\r\n\r\n\r\n//Class config.bin{\r\na = 1;\r\n//};\r\n");
}

TEST(RapExamples, InlineFileOfOneValue)
{
    EXPECT_EQ(kInlineA1.size(), 35u);
    EXPECT_EQ(InlineBytes("config.cpp", RapClass().Value("a", RapValue::Int(1))), kInlineA1);
    raptest::Decoded d = Decode(kInlineA1, "config.bin");
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, "//class config.cpp {\r\na = 1;\r\n//};\r\n");
}

TEST(RapExamples, ArmaLayoutTree)
{
    RapBytes b;
    b.Byte(0x00).Byte(0x72).Byte(0x61).Byte(0x50).Long(0).Long(8).Long(121);
    // Root body at 16.
    b.Str("").Count(2);
    b.Byte(0).Str("CfgPatches").Long(52);
    b.Byte(1).Byte(2).Str("version").Long(3);
    b.Long(121);
    ASSERT_EQ(b.Size(), 52u);
    // CfgPatches at 52.
    b.Str("").Count(1).Byte(0).Str("A").Long(65).Long(121);
    ASSERT_EQ(b.Size(), 65u);
    // A at 65.
    b.Str("Base").Count(2);
    b.Byte(2).Str("units");
    UnitsBody(b, false);
    b.Byte(1).Byte(0).Str("name").Str("he said \"hi\"");
    b.Long(121);
    ASSERT_EQ(b.Size(), 121u);
    b.Long(2).Str("E1").Long(0).Str("E2").Long(5);
    EXPECT_EQ(ArmaBytes(ExampleTree(), kExampleEnums), b.Get());

    raptest::Decoded d = Decode(b.Get(), "C:\\data\\config.bin");
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, std::string("#define _ARMA_\r\n"
                                  "\r\n"
                                  "\r\n"
                                  "//Class config.bin{\r\n"
                                  "class CfgPatches\r\n"
                                  "{\r\n"
                                  " class A: Base\r\n"
                                  " {\r\n"
                                  "  units[] = {\"x\",1,\r\n"
                                  "   { 2.5,\"y\" }};\r\n"
                                  "  name = \"he said \"\"hi\"\"\";\r\n"
                                  " };\r\n"
                                  "};\r\n"
                                  "version = 3;\r\n"
                                  "//};\r\n") +
                          kEnumLines);
}

TEST(RapExamples, InlineLayoutTree)
{
    RapBytes b;
    b.Byte(0x00).Byte(0x72).Byte(0x61).Byte(0x50).Byte(0x04).Byte(0x00).Byte(0x00);
    b.Byte(0).Count(0).Str("config.cpp").Str("").Count(2);
    b.Byte(0).Count(1).Str("CfgPatches").Str("").Count(1);
    b.Byte(0).Count(2).Str("A").Str("Base").Count(2);
    b.Byte(2).Count(3).Str("units");
    UnitsBody(b, true);
    b.Byte(1).Byte(0).Count(6).Str("name").Count(7).Str("he said \"hi\"");
    b.Byte(1).Byte(2).Count(8).Str("version").Long(3);
    b.Long(2).Str("E1").Long(0).Str("E2").Long(5);
    EXPECT_EQ(InlineBytes("config.cpp", ExampleTree(), kExampleEnums), b.Get());

    raptest::Decoded d = Decode(b.Get());
    EXPECT_EQ(d.code, RapNoError);
    EXPECT_EQ(d.text, std::string("//class config.cpp {\r\n"
                                  "class CfgPatches {\r\n"
                                  " class A: Base {\r\n"
                                  "  units[] = {x,1,\r\n"
                                  "   { 2.5,y }};\r\n"
                                  "  name = \"he said \"\"hi\"\"\";\r\n"
                                  " };\r\n"
                                  "};\r\n"
                                  "version = 3;\r\n"
                                  "//};\r\n") +
                          kEnumLines);
}
