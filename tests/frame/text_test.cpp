// Tests of the ASCII and path text helpers the library and its programs
// share: letter case, base names, extensions and local paths.

#include <gtest/gtest.h>

#include <string>

#include "frame/Text.h"

namespace
{
// Null expected texts stand for a null result.
void ExpectText(const char* expected, const char* actual, const std::string& row)
{
    if (!expected)
        EXPECT_EQ(actual, nullptr) << row;
    else
        EXPECT_STREQ(actual, expected) << row;
}
} // namespace

TEST(Text, PathParts)
{
    struct Row
    {
        const char* path;
        const char* baseName;  // after the last backslash, else the last slash
        const char* afterLast; // after the last separator of either kind
        const char* extension; // null: none
        const char* lowerExtension;
        const char* withoutExtension;
    };
    const Row rows[] = {
        {"file", "file", "file", nullptr, "", "file"},
        {"a\\b.PBO", "b.PBO", "b.PBO", ".PBO", ".pbo", "a\\b"},
        {"a/b.Cpp", "b.Cpp", "b.Cpp", ".Cpp", ".cpp", "a/b"},
        {"a\\b/c.x", "b/c.x", "c.x", ".x", ".x", "a\\b/c"},
        {"a/b\\c", "c", "c", nullptr, "", "a/b\\c"},
        {"dir.d\\name", "name", "name", nullptr, "", "dir.d\\name"},
        {"dir.d/", "", "", nullptr, "", "dir.d/"},
        {"x.tar.GZ", "x.tar.GZ", "x.tar.GZ", ".GZ", ".gz", "x.tar"},
        {".hidden", ".hidden", ".hidden", ".hidden", ".hidden", ""},
    };
    for (const Row& row : rows)
    {
        ExpectText(row.baseName, text::BaseName(row.path), row.path);
        ExpectText(row.afterLast, text::AfterLastSeparator(row.path), row.path);
        ExpectText(row.extension, text::Extension(row.path), row.path);
        EXPECT_EQ(text::LowerExtension(row.path), row.lowerExtension) << row.path;
        EXPECT_EQ(text::WithoutExtension(row.path), row.withoutExtension) << row.path;
    }
    EXPECT_EQ(text::BaseName(nullptr), nullptr);
    EXPECT_EQ(text::AfterLastSeparator(nullptr), nullptr);
    EXPECT_EQ(text::Extension(nullptr), nullptr);
}

TEST(Text, LetterCase)
{
    struct Row
    {
        const char* a;
        const char* b;
        bool equal;    // EqualNoCase(a, b)
        bool endsWith; // EndsWithNoCase(a, b)
    };
    const Row rows[] = {
        {"Config.CPP", "config.cpp", true, true},
        {"config.cpp", "config.cp", false, false},
        {"archive.PBO", ".pbo", false, true},
        {"pbo", ".pbo", false, false},
        {"[x]", "{X}", false, false}, // only letters fold: '[' is not '{'
        {"", "", true, true},
        {"\xC4", "\xE4", false, false}, // bytes above ASCII stay as they are
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(text::EqualNoCase(row.a, row.b), row.equal) << row.a << " / " << row.b;
        EXPECT_EQ(text::EqualNoCase(row.b, row.a), row.equal) << row.b << " / " << row.a;
        EXPECT_EQ(text::EndsWithNoCase(row.a, row.b), row.endsWith) << row.a << " / " << row.b;
    }
    EXPECT_TRUE(text::EqualNoCase(nullptr, nullptr));
    EXPECT_FALSE(text::EqualNoCase("", nullptr));
    EXPECT_EQ(text::LowerAscii("AZaz@[`{09\xC4"), "azaz@[`{09\xC4");
}

TEST(Text, LocalPath)
{
#if defined(_WIN32)
    EXPECT_EQ(text::LocalPath("a\\b/c"), "a\\b/c");
#else
    EXPECT_EQ(text::LocalPath("a\\b/c\\"), "a/b/c/");
#endif
    EXPECT_EQ(text::LocalPath("plain"), "plain");
    EXPECT_EQ(text::LocalPath(nullptr), "");
}
