// Font table reader: the one valid size and in-place records.
#include <gtest/gtest.h>

#include <string>

#include "inspect/DeFxy.h"
#include "support/TempDir.h"

using testsupport::Bytes;

namespace
{
Bytes Table(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    return bytes;
}
} // namespace

TEST(FontTable, OnlyTheTableSizeOpens)
{
    const struct
    {
        size_t size;
        int code;
    } cases[] = {{2688, 0}, {2700, 4}, {2687, 4}, {1, 4}, {12, 4}, {2676, 4}};
    for (const auto& c : cases)
    {
        Bytes bytes = Table(c.size);
        DeFxy fxy;
        EXPECT_EQ(fxy.Open(bytes.data(), static_cast<int>(bytes.size())), c.code) << c.size;
        if (c.code == 0)
        {
            EXPECT_EQ(reinterpret_cast<const unsigned char*>(fxy.GetEntry(223)), bytes.data() + 2676);
            EXPECT_EQ(fxy.GetEntry(224), nullptr);
        }
        else
            EXPECT_EQ(fxy.GetEntry(0), nullptr) << c.size;
    }
    DeFxy fxy;
    EXPECT_EQ(fxy.Open(nullptr, 2688), 3);
    Bytes bytes = Table(2688);
    EXPECT_EQ(fxy.Open(bytes.data(), -1), 4);
    EXPECT_STREQ(DeFxy::ErrorString(4), "Fxy: non modular filesize");
    EXPECT_STREQ(DeFxy::ErrorString(5), "Fxy: Unknown error");
}

TEST(FontTable, FilesLoadWithTheirExtension)
{
    testsupport::TempDir dir;
    const Bytes table = Table(2688);
    dir.Put("font.fxy", table);
    dir.Put("odd.fxy", Table(2700));
    dir.Put("upper.FXY", table);
    DeFxy fxy;
    ASSERT_EQ(fxy.Open(dir.Path("font").c_str()), 0);
    const FxyEntry* last = fxy.GetEntry(223);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(Bytes(last->bytes, last->bytes + 12), Bytes(table.begin() + 2676, table.end()));
    EXPECT_EQ(fxy.Open(dir.Path("odd").c_str()), 4);
    EXPECT_EQ(fxy.GetEntry(0), nullptr);
    EXPECT_EQ(fxy.Open(dir.Path("missing.fxy").c_str()), 3);
    ASSERT_EQ(fxy.Open(dir.Path("upper.FXY").c_str()), 0);
    fxy.Close();
    EXPECT_EQ(fxy.GetEntry(0), nullptr);
}
