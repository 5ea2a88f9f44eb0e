// Allocation failures in every parser family: whichever allocation fails, the
// parser answers its own out-of-memory code, never crashes, and (under the
// sanitizers) leaks nothing; with enough allocations it succeeds.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "inspect/DeP3d.h"
#include "inspect/DeWrp.h"
#include "inspect/WrpCodes.h"
#include "inspect/model_writer.h"
#include "pbo/Ostrel.h"
#include "pbo/PboErrors.h"
#include "rapify/Rapify.h"
#include "rapify/RapifyCodes.h"
#include "support/AllocBudget.h"
#include "support/Compressor.h"
#include "support/PboBytes.h"
#include "support/Rows.h"
#include "support/WrpWriter.h"

using namespace testsupport;

namespace
{
struct Parser
{
    const char* what;
    int outOfMemory;
    std::function<int()> run; // the parser's answer: 0 when everything was read
};

// Opens the archive and loads every entry as data and as text.
int ReadArchive(const std::string& path)
{
    Ostrel pbo;
    int code = pbo.OpenPbo(path.c_str(), nullptr);
    for (pbo_entry* e = pbo.firstEntry; code == 0 && e; e = pbo.GetNextEntry(e))
    {
        const int loaded = pbo.GetBinData(e, false);
        const int text = loaded < 0 ? loaded : pbo.GetAscData(e, true);
        code = text < 0 ? text : 0;
        pbo.FreeData(e);
    }
    return code;
}
} // namespace

TEST(AllocationFailure, EveryParserAnswersItsOutOfMemoryCode)
{
    TempDir dir;
    const std::string archive =
        dir.Put("a.pbo", MakeArchive({StoredEntry("a.txt", "alpha"), CompressedEntry("b.bin", TextLike(400, 2))}));
    const std::string config = "enum { E = 2 };\nclass Base { a = 1; };\n"
                               "class A : Base { text = \"quoted\"; list[] = {1, \"two\", {3.5}}; };\n";
    const Bytes model = modeltest::ModelBytes().Header(1).Level(modeltest::RealLevel(false)).Get();
    const Bytes world = WriteOprw(SampleWorld(4, 4, 3, 7));

    const Parser parsers[] = {
        {"archive reader", PboNoMemory,
         [&] {
             return ReadArchive(archive);
         }},
        {"config compiler", RapifyNoMemory,
         [&] {
             Rapify compiler;
             return compiler.ProcessBuffer(config.c_str(), "config.cpp", nullptr, nullptr);
         }},
        {"model inspector", 2,
         [&] {
             DeP3d reader;
             return reader.Open(model.data(), model.size(), nullptr);
         }},
        {"world reader", wrp::OutOfMemory,
         [&] {
             DeWrp reader;
             return reader.Open(world.data(), static_cast<unsigned long>(world.size()), nullptr);
         }},
    };
    CheckRows(parsers, [](const Parser& parser) {
        ASSERT_EQ(parser.run(), 0);
        long successes = 0;
        for (;; ++successes)
        {
            int code;
            {
                AllocBudget budget(successes);
                code = parser.run();
            }
            if (code == 0)
                break;
            ASSERT_EQ(code, parser.outOfMemory) << "after " << successes << " allocations";
            ASSERT_LT(successes, 10000);
        }
        EXPECT_GT(successes, 0) << "no allocation went through the hook";
    });
}
