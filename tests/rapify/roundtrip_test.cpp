// Round trips over generated configs: compile, write, decode, compile the
// decoded text, write again; both files must be equal in every layout.

#include <gtest/gtest.h>

#include "OutputTestUtil.h"
#include "rap/RapTestUtil.h"
#include "support/ConfigText.h"

using namespace testsupport;

namespace
{
struct Layout
{
    const char* name;
    const char* pragma;
    bool forceBinary;
    bool declarations; // `class X;` cannot be read back from the inline layout
};

const Layout kLayouts[] = {
    {"inline", "", false, false},
    {"Arma", "", true, true},
    {"Arma by pragma", "#pragma _arma_\n", false, true},
    {"Xbox", "#pragma _xbox_ WithSignature\n", false, true},
};
} // namespace

TEST(OutputRoundTrip, GeneratedConfigsSurviveDecodingAndRecompiling)
{
    for (const Layout& layout : kLayouts)
    {
        for (uint32_t seed = 1; seed <= 25; ++seed)
        {
            ConfigTextOptions options;
            options.declarations = layout.declarations;
            std::string source = layout.pragma + GenerateConfigText(seed, options);
            SCOPED_TRACE(std::string(layout.name) + " seed " + std::to_string(seed));

            outtest::Written first = outtest::CompileWrite(source, layout.forceBinary, "P:\\mod\\config.cpp");
            ASSERT_EQ(first.compile, 0) << source;
            ASSERT_EQ(first.output, 0);
            raptest::Decoded decoded = raptest::Decode(first.bytes, "config.bin");
            ASSERT_TRUE(decoded.accepted);
            ASSERT_EQ(decoded.code, RapNoError) << decoded.text;

            outtest::Written second = outtest::CompileWrite(decoded.text, layout.forceBinary, "P:\\mod\\config.cpp");
            ASSERT_EQ(second.compile, 0) << decoded.text;
            ASSERT_EQ(second.output, 0);
            EXPECT_EQ(second.bytes, first.bytes) << decoded.text;
        }
    }
}
