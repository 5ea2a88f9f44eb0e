// Allocation failures at every point of a conversion answer
// "Derap: Out of memory" and leak nothing.
#include <gtest/gtest.h>

#include "RapTestUtil.h"
#include "support/AllocBudget.h"
#include "support/RapBytes.h"

using namespace testsupport;
using raptest::Decode;

namespace
{
RapClass Tree()
{
    RapClass a;
    a.Value("s", RapValue::String("with \"quotes\"")).Array("n", {RapValue::String("w"), RapValue::Int(1)});
    RapClass root;
    root.Class("A", a).Value("t", RapValue::String("plain"));
    return root;
}

// Runs the conversion with ever more allocations granted until it succeeds;
// every failing run must answer 5, whether the text or the string table of
// the inline layout could not grow (a string value whose table node cannot
// be stored is out of memory, not the end of the data).
void ExpectOutOfMemoryEverywhere(const Bytes& bytes, const char* what, const char* name = "config.bin")
{
    std::string good = Decode(bytes, name).text;
    for (long successes = 0;; ++successes)
    {
        raptest::Decoded d;
        {
            AllocBudget failing(successes);
            d = Decode(bytes, name);
        }
        if (d.code == RapNoError)
        {
            EXPECT_EQ(d.text, good) << what;
            EXPECT_GT(successes, 0) << what;
            break;
        }
        ASSERT_TRUE(d.accepted) << what;
        EXPECT_EQ(d.code, RapOutOfMemory) << what << " after " << successes;
        if (!d.textNull)
        {
            EXPECT_EQ(d.text.substr(d.text.size() - 24), "//Derap: Out of memory\r\n") << what;
        }
        ASSERT_LT(successes, 1000) << what;
    }
}
} // namespace

TEST(RapMemory, EveryFailingAllocationAnswersOutOfMemory)
{
    ExpectOutOfMemoryEverywhere(ArmaBytes(Tree(), {{"E", 1}}), "arma");
    ExpectOutOfMemoryEverywhere(InlineBytes("r", Tree(), {{"E", 1}}), "inline");
}

// A formatted piece of 10 KB or more (here the class comment line with a long
// file name) is built in a block of its own; when that block cannot be had the
// text is dropped and the conversion answers 5, never a text missing a line.
// The config is so small that the rest of its text needs no further growth,
// so only the piece's own block can fail.
TEST(RapMemory, LongPieceWithoutMemoryAnswersOutOfMemory)
{
    const std::string name = "C:\\data\\" + std::string(12000, 'n') + ".bin";
    const Bytes bytes = ArmaBytes(RapClass().Value("a", RapValue::Int(1)));
    ASSERT_NE(Decode(bytes, name.c_str()).text.find(std::string(12000, 'n')), std::string::npos);
    ExpectOutOfMemoryEverywhere(bytes, "long name", name.c_str());
}

TEST(RapMemory, FailedTextGrowthDropsTheText)
{
    Bytes bytes = ArmaBytes(Tree());
    DeRap derap;
    ASSERT_TRUE(derap.SetAsRapData(bytes.data(), static_cast<unsigned>(bytes.size()), "c.bin"));
    const char* text = "untouched";
    {
        AllocBudget failing(0);
        EXPECT_EQ(derap.ConvertRapData(&text), RapOutOfMemory);
    }
    EXPECT_EQ(text, nullptr);
}

TEST(RapMemory, FileBytesThatCannotBeAllocated)
{
    TempDir dir;
    dir.Put("c.bin", ArmaBytes(Tree()));
    DeRap derap;
    AllocBudget failing(0);
    EXPECT_EQ(derap.OpenRapFile(dir.Path("c.bin").c_str()), RapOutOfMemory);
}
