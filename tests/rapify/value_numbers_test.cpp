// Integer and float texts of config values to the numbers the binary form
// stores.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>

#include "rapify/ValueNumbers.h"

using valuenumbers::FloatFromText;
using valuenumbers::IntegerFromText;

TEST(ValueNumbers, IntegerTexts)
{
    struct Row
    {
        std::string text;
        bool fits;
        int32_t value;
    } rows[] = {
        {"0", true, 0},
        {"007", true, 7},
        {"-0", true, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"4294967296", false, 0},
        {"00000000000000000000000000012", true, 12},
        {"-00000000000000000000000002147483648", true, -2147483647 - 1},
        {std::string(400, '9'), false, 0},
    };
    for (const Row& row : rows)
    {
        int32_t value = -99;
        EXPECT_EQ(IntegerFromText(row.text.c_str(), value), row.fits) << row.text;
        if (row.fits)
        {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
}

TEST(ValueNumbers, FloatTexts)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Row
    {
        std::string text;
        float value;
    } rows[] = {
        {".", 0.0f},
        {"-.", 0.0f},
        {"5.", 5.0f},
        {".5", 0.5f},
        {"-2.25", -2.25f},
        {"0.1", 0.1f},
        {"340282346638528859811704183484516925440.0", FLT_MAX},
        // Below FLT_MAX plus half its last place: rounds to FLT_MAX.
        {"340282351709131260724621789471329746944.0", FLT_MAX},
        // Exactly halfway to the next power of two: rounds to even, the infinity.
        {"340282356779733661637539395458142568448.0", inf},
        {std::string(39, '9') + ".0", inf},
        {"-" + std::string(400, '9') + ".5", -inf},
        {"0." + std::string(400, '0') + "1", 0.0f},
        {"0.000000000000000000000000000000000000000000001", 1e-45f},
        {"1." + std::string(300, '0') + "1", 1.0f},
    };
    for (const Row& row : rows)
    {
        float got = FloatFromText(row.text.c_str());
        EXPECT_EQ(got, row.value) << row.text.substr(0, 60);
        EXPECT_EQ(std::signbit(got), std::signbit(row.value)) << row.text.substr(0, 60);
    }
}
