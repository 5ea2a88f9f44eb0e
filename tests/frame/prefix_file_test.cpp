// Addon prefix files: the one-line form, the key=value form and what names
// no prefix; and which of the file names a folder's prefix is read from.
#include <gtest/gtest.h>

#include <string>

#include "frame/PrefixFile.h"
#include "support/FolderTest.h"
#include "support/Rows.h"

namespace
{
namespace prefixfile = ostrel_internal::prefixfile;

TEST(PrefixText, OneLineOrPrefixKey)
{
    struct Row
    {
        const char* what;
        std::string text;
        const char* prefix; // null: none
    };
    const Row rows[] = {
        {"one line", "x\\cba\\addons\\main", "x\\cba\\addons\\main"},
        {"blanks and CR LF", "  z\\ace\\main \t\r\nignored\r\n", "z\\ace\\main"},
        {"key=value lines", "name=main\nprefix = z\\ace\\addons\\main\nversion=1\n", "z\\ace\\addons\\main"},
        {"key letter case", "PREFIX=a\\b\n", "a\\b"},
        {"keys without prefix", "name=main\nversion=1\n", nullptr},
        {"empty prefix value", "prefix=\n", nullptr},
        {"empty file", "", nullptr},
        {"blank first line", "\nx\\y\n", nullptr},
    };
    testsupport::CheckRows(rows, [](const Row& row) {
        std::string prefix;
        const bool found = prefixfile::ParsePrefixText(row.text.data(), row.text.size(), prefix);
        EXPECT_EQ(found, row.prefix != nullptr);
        if (row.prefix)
        {
            EXPECT_EQ(prefix, row.prefix);
        }
    });
}

class FolderPrefix : public testsupport::FolderTest
{
};

TEST_F(FolderPrefix, EveryFileNameAndTheFirstWins)
{
    struct Row
    {
        const char* what;
        const char* name;
        const char* prefix;
    };
    const Row rows[] = {{"pbo prefix", "$PBOPREFIX$", "a\\one"},
                        {"with .txt", "$PBOPREFIX$.txt", "a\\two"},
                        {"lower case name", "pboprefix.txt", "a\\three"},
                        {"short name", "$PREFIX$", "a\\four"}};
    int index = 0;
    testsupport::CheckRows(rows, [&](const Row& row) {
        const std::string folder = "f" + std::to_string(index++);
        Put(folder + "/" + row.name, row.prefix);
        std::string prefix;
        ASSERT_TRUE(prefixfile::ReadFolderPrefix(Path(folder), prefix));
        EXPECT_EQ(prefix, row.prefix);
    });
    Put("both/$PREFIX$", "late");
    Put("both/$PBOPREFIX$", "early");
    std::string prefix;
    ASSERT_TRUE(prefixfile::ReadFolderPrefix(Path("both"), prefix));
    EXPECT_EQ(prefix, "early");
    EXPECT_FALSE(prefixfile::ReadFolderPrefix(Path("none"), prefix));
}
} // namespace
