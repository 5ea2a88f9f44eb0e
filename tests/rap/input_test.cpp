// Reading primitives, the indexed-string table, text growth and float text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "rap/FloatText.h"
#include "rap/RapInput.h"
#include "rap/RapTextOutput.h"
#include "support/TempDir.h"

using testsupport::Bytes;

namespace
{
class InputProbe : public RapInput
{
public:
    explicit InputProbe(const Bytes& bytes, int layoutNumber = 1) : copy(bytes)
    {
        data = copy.data();
        size = static_cast<uint32_t>(copy.size());
        layout = layoutNumber;
    }
    using RapInput::GetByte;
    using RapInput::GetFloat;
    using RapInput::GetIndexedStr;
    using RapInput::GetLong;
    using RapInput::GetRazShort;
    using RapInput::GetShort;
    using RapInput::GetString;
    using RapInput::position;

private:
    Bytes copy;
};

class OutputProbe : public RapTextOutput
{
public:
    using RapTextOutput::capacity;
    using RapTextOutput::GetOutBuffer;
    using RapTextOutput::length;
    using RapTextOutput::OutputStr;
    using RapTextOutput::Put;
    using RapTextOutput::PutInt;
    std::string Text() const { return GetOutBuffer() ? GetOutBuffer() : "<null>"; }
};
} // namespace

TEST(RapInput, CompressedCounts)
{
    struct Case
    {
        Bytes bytes;
        int value;
        uint32_t position;
    };
    const Case cases[] = {
        {{0x05}, 5, 1},           {{0x7F}, 127, 1},     {{0x80, 0x01}, 128, 2}, {{0xC8, 0x01}, 200, 2},
        {{0xFF, 0xFF}, 32767, 2}, {{0x85, 0x00}, 5, 2}, {{0x80}, -1, 1},        {{}, -1, 0},
    };
    for (const Case& c : cases)
    {
        InputProbe in(c.bytes);
        EXPECT_EQ(in.GetRazShort(), c.value) << c.value;
        EXPECT_EQ(in.position, c.position) << c.value;
    }
}

TEST(RapInput, FixedSizeReadsAtTheEndKeepThePosition)
{
    InputProbe in({0x01, 0x02, 0x03, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA});
    EXPECT_EQ(in.GetShort(), 0x0201);
    EXPECT_EQ(in.GetByte(), 3);
    EXPECT_EQ(in.GetLong(), -2);
    EXPECT_EQ(in.position, 7u);
    EXPECT_EQ(in.GetLong(), -1);
    EXPECT_EQ(in.GetFloat(), -1.0f);
    EXPECT_EQ(in.GetShort(), -1);
    EXPECT_EQ(in.position, 7u);
    EXPECT_EQ(in.GetByte(), 0xAA);
    EXPECT_EQ(in.GetByte(), -1);
}

TEST(RapInput, FloatsAreLittleEndianSinglePrecision)
{
    InputProbe in({0x00, 0x00, 0x20, 0x40});
    EXPECT_EQ(in.GetFloat(), 2.5f);
    EXPECT_EQ(in.position, 4u);
}

TEST(RapInput, StringsNeedTheirZeroByteInsideTheData)
{
    InputProbe in({'a', 'b', 0, 0, 'c', 'd'});
    EXPECT_STREQ(in.GetString(), "ab");
    EXPECT_STREQ(in.GetString(), "");
    EXPECT_EQ(in.position, 4u);
    EXPECT_EQ(in.GetString(), nullptr);
    EXPECT_EQ(in.position, 4u);
}

TEST(RapInput, IndexedStringsAreDefinedOnceAndReusedByIndex)
{
    // Index 500 (two bytes) first, then 0, then both again by index alone.
    InputProbe in({0xF4, 0x03, 'b', 'i', 'g', 0, 0x00, 'z', 0, 0x00, 0xF4, 0x03, 0x07}, 0);
    EXPECT_STREQ(in.GetIndexedStr(), "big");
    EXPECT_STREQ(in.GetIndexedStr(), "z");
    EXPECT_STREQ(in.GetIndexedStr(), "z");
    EXPECT_EQ(in.position, 10u);
    EXPECT_STREQ(in.GetIndexedStr(), "big");
    EXPECT_EQ(in.position, 12u);
    // Index 7 was never defined and no string follows it.
    EXPECT_EQ(in.GetIndexedStr(), nullptr);
}

TEST(RapInput, IndexedStringsArePlainOutsideTheInlineLayout)
{
    InputProbe in({0x00, 'a', 0}, 1);
    EXPECT_STREQ(in.GetIndexedStr(), "");
    EXPECT_STREQ(in.GetIndexedStr(), "a");
}

TEST(RapTextOutput, GrowsByDoublingPlusThePiece)
{
    OutputProbe out;
    EXPECT_TRUE(out.OutputStr(0, "%s", ""));
    EXPECT_EQ(out.GetOutBuffer(), nullptr); // an empty piece appends nothing
    EXPECT_TRUE(out.OutputStr(0, "abc"));
    EXPECT_EQ(out.capacity, 4u);
    EXPECT_TRUE(out.OutputStr(0, "%s", "de"));
    EXPECT_EQ(out.capacity, 11u);
    EXPECT_TRUE(out.OutputStr(2, "%d", 7));
    EXPECT_EQ(out.capacity, 11u);
    EXPECT_EQ(out.Text(), "abcde  7");
    EXPECT_EQ(out.length, 8u);
}

TEST(RapTextOutput, IndentRules)
{
    OutputProbe out;
    out.OutputStr(-7, "a\n");
    out.OutputStr(-1, "b\n");
    out.OutputStr(3, "c\n");
    out.SetTabChar(false);
    out.OutputStr(2, "d\n");
    EXPECT_EQ(out.Text(), "//a\n//b\n   c\n\t\td\n");
}

TEST(RapTextOutput, PiecesLongerThanTheFormatBufferAreKept)
{
    OutputProbe out;
    std::string piece(30000, 'q');
    EXPECT_TRUE(out.OutputStr(1, "<%s>", piece.c_str()));
    EXPECT_EQ(out.Text(), " <" + piece + ">");
}

TEST(RapTextOutput, WriteDecodedTextWritesTheTextWithoutItsNul)
{
    testsupport::TempDir dir;
    OutputProbe out;
    EXPECT_TRUE(out.WriteDecodedText(dir.Path("empty.cpp").c_str()));
    EXPECT_TRUE(dir.Read("empty.cpp").empty());
    out.OutputStr(0, "x = 1;\r\n");
    EXPECT_TRUE(out.WriteDecodedText(dir.Path("x.cpp").c_str()));
    EXPECT_EQ(dir.Read("x.cpp"), testsupport::Bytes({'x', ' ', '=', ' ', '1', ';', '\r', '\n'}));
    EXPECT_FALSE(out.WriteDecodedText(dir.Path("missing/x.cpp").c_str()));
}

TEST(FloatText, WindowsStyleExponents)
{
    struct Case
    {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {1e10f, "1e+010"},     {0.1f, "0.1"},         {1.5e-5f, "1.5e-005"}, {2.5f, "2.5"},
        {-3.0f, "-3"},         {100000.0f, "100000"}, {1e6f, "1e+006"},      {123456789.0f, "1.23457e+008"},
        {3.4e38f, "3.4e+038"}, {0.0001f, "0.0001"},   {1e-38f, "1e-038"},    {-0.0f, "-0"},
    };
    for (const Case& c : cases)
    {
        char out[64];
        size_t n = floattext::FormatG(out, sizeof out, c.value);
        EXPECT_STREQ(out, c.text);
        EXPECT_EQ(n, std::strlen(c.text));
    }
    char out[64];
    floattext::FormatG(out, sizeof out, 1e100);
    EXPECT_STREQ(out, "1e+100");

    // Non-finite values read the same on every system.
    const std::pair<float, const char*> nonFinite[] = {{std::numeric_limits<float>::infinity(), "inf"},
                                                       {-std::numeric_limits<float>::infinity(), "-inf"},
                                                       {std::numeric_limits<float>::quiet_NaN(), "nan"},
                                                       {-std::numeric_limits<float>::quiet_NaN(), "-nan"}};
    for (const auto& c : nonFinite)
    {
        floattext::FormatG(out, sizeof out, c.first);
        EXPECT_STREQ(out, c.second);
    }
}

TEST(FloatText, ShortestTextThatReadsBack)
{
    // Six digits where they read back (the same text as FormatG), more only
    // where they do not.
    const std::pair<float, const char*> cases[] = {
        {9634.6455f, "9634.6455"},
        {123456789.0f, "1.2345679e+008"},
        {1.0f / 3.0f, "0.33333334"},
        {3.14159265f, "3.1415927"},
        {16777216.0f, "16777216"},
        {-0.000123456789f, "-0.00012345679"},
        {5.9604645e-8f, "5.9604645e-008"},
        {3.4028235e38f, "3.4028235e+038"},
        {1e-45f, "1.4013e-045"},
        {0.1f, "0.1"},
        {2.5f, "2.5"},
        {1e10f, "1e+010"},
        {-3.0f, "-3"},
        {100000.0f, "100000"},
        {0.0001f, "0.0001"},
        {-0.0f, "-0"},
        {1.5e-5f, "1.5e-005"},
        {1234.5f, "1234.5"},
    };
    char out[64];
    for (const auto& c : cases)
    {
        size_t n = floattext::FormatFloat(out, sizeof out, c.first);
        EXPECT_STREQ(out, c.second);
        EXPECT_EQ(n, std::strlen(c.second));
    }
    floattext::FormatFloat(out, sizeof out, -std::numeric_limits<float>::infinity());
    EXPECT_STREQ(out, "-inf");

    // Every finite float reads back; texts that read back at six digits are
    // those of FormatG.
    uint32_t state = 0x12345678u;
    int sixDigitTexts = 0;
    for (int i = 0; i < 200000; ++i)
    {
        state = state * 1664525u + 1013904223u;
        uint32_t bits = state ^ (state >> 13);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            continue;
        floattext::FormatFloat(out, sizeof out, value);
        float back = std::strtof(out, nullptr);
        ASSERT_EQ(std::memcmp(&back, &value, sizeof value), 0) << out << " from bits " << bits;
        char six[64];
        floattext::FormatG(six, sizeof six, value);
        if (std::strtof(six, nullptr) == value)
        {
            ++sixDigitTexts;
            ASSERT_STREQ(out, six);
        }
    }
    EXPECT_GT(sixDigitTexts, 0);
}

// The C++ library's formatting and reading are held to the C library's:
// FormatG to snprintf at six digits, and FormatFloat to the smallest
// precision whose snprintf text strtof reads back, for chosen values and for
// random bit patterns (subnormals, huge values and both signs among them).
TEST(FloatText, FastFormattingEqualsPrintf)
{
    auto check = [](float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        char fast[64];
        char slow[64];
        floattext::FormatG(fast, sizeof fast, value);
        floattext::FormatWithPrintf(slow, sizeof slow, value, 6);
        EXPECT_STREQ(fast, slow) << "%g of bits " << bits;
        floattext::FormatFloat(fast, sizeof fast, value);
        for (int p = 6; p <= 9; ++p)
        {
            floattext::FormatWithPrintf(slow, sizeof slow, value, p);
            if (std::strtof(slow, nullptr) == value)
                break;
        }
        EXPECT_STREQ(fast, slow) << "shortest of bits " << bits;
    };
    const float values[] = {0.0f,          -0.0f,     1e10f,       0.1f,      1.5e-5f,      123456789.0f,
                            3.4028235e38f, 1e-45f,    1e-38f,      999999.5f, 9999995.0f,   0.000123f,
                            1.17549e-38f,  -2.5e-30f, 16777217.0f, 0.333333f, 5.9604645e-8f};
    for (float value : values)
        check(value);
    uint32_t state = 0x9e3779b9u;
    for (int i = 0; i < 100000 && !::testing::Test::HasFailure(); ++i)
    {
        state = state * 1664525u + 1013904223u;
        uint32_t bits = state ^ (state >> 11);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            check(value);
    }
    char out[64];
    double large = 1e300;
    floattext::FormatG(out, sizeof out, large);
    char slow[64];
    floattext::FormatWithPrintf(slow, sizeof slow, large, 6);
    EXPECT_STREQ(out, slow);
}

// Pieces of every short length (copied with fixed-size moves) and longer ones
// (memcpy), appended where the text has room and where it must grow, make
// exactly the concatenated text.
TEST(RapTextOutput, PiecesOfEveryLengthAppendExactly)
{
    std::string source;
    for (int i = 0; i < 100; ++i)
        source += static_cast<char>('a' + i % 26);
    OutputProbe out;
    std::string expected;
    for (uint32_t length = 0; length <= 40; ++length)
    {
        for (uint32_t from = 0; from < 5; ++from)
        {
            ASSERT_TRUE(out.Put(source.c_str() + from, length));
            expected.append(source, from, length);
            ASSERT_EQ(out.length, expected.size());
        }
    }
    EXPECT_EQ(out.Text(), expected);
    EXPECT_LT(out.length, out.capacity);
}

// Integers are written two digits a step: every digit count, both signs and
// the ends of the range read as the C library writes them.
TEST(RapTextOutput, IntegersAtEveryDigitCount)
{
    std::vector<int32_t> values = {0, INT32_MAX, INT32_MIN, INT32_MIN + 1};
    for (int64_t power = 1; power <= 1000000000; power *= 10)
    {
        for (int64_t v : {power - 1, power, power + 1, 5 * power})
        {
            if (v <= INT32_MAX)
            {
                values.push_back(static_cast<int32_t>(v));
                values.push_back(static_cast<int32_t>(-v));
            }
        }
    }
    OutputProbe out;
    std::string expected;
    for (int32_t value : values)
    {
        ASSERT_TRUE(out.PutInt(value));
        ASSERT_TRUE(out.Put(" ", 1));
        expected += std::to_string(value) + " ";
    }
    EXPECT_EQ(out.Text(), expected);
}
