// Little-endian loads and stores, and the read cursor whose failure sticks.
#include <gtest/gtest.h>

#include <cstring>

#include "codec/Cursor.h"
#include "frame/ByteOrder.h"

TEST(ByteOrder, LoadsAndStoresLittleEndian)
{
    const unsigned char bytes[] = {0x01, 0x80, 0xFF, 0xFE, 0x00, 0x00, 0x80, 0x3F};
    const struct
    {
        size_t at;
        uint32_t u16, u24, u32;
    } rows[] = {
        {0, 0x8001, 0xFF8001, 0xFEFF8001},
        {2, 0xFEFF, 0x00FEFF, 0x0000FEFF},
        {4, 0x0000, 0x800000, 0x3F800000},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(byteorder::LoadU16(bytes + row.at), row.u16) << row.at;
        EXPECT_EQ(byteorder::LoadU24(bytes + row.at), row.u24) << row.at;
        EXPECT_EQ(byteorder::LoadU32(bytes + row.at), row.u32) << row.at;
        unsigned char stored[4] = {};
        byteorder::StoreU32(stored, row.u32);
        EXPECT_EQ(std::memcmp(stored, bytes + row.at, 4), 0) << row.at;
        byteorder::StoreU16(stored, static_cast<uint16_t>(row.u16));
        EXPECT_EQ(std::memcmp(stored, bytes + row.at, 2), 0) << row.at;
    }
    EXPECT_EQ(byteorder::LoadI32(bytes), -16809983);
    EXPECT_EQ(byteorder::LoadF32(bytes + 4), 1.0f);
    unsigned char f[4];
    byteorder::StoreF32(f, -2.5f);
    EXPECT_EQ(byteorder::LoadU32(f), 0xC0200000u);
}

TEST(Cursor, ReadsPastTheEndYieldZeroAndTheFailureSticks)
{
    const unsigned char bytes[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAA};
    codec::Cursor at(bytes, sizeof bytes);
    EXPECT_EQ(at.U16(), 0x1234u);
    EXPECT_EQ(at.U32(), 0x12345678u);
    EXPECT_TRUE(at.Ok());
    // Two bytes asked, one left: zero, position kept, failed.
    EXPECT_EQ(at.U16(), 0u);
    EXPECT_TRUE(at.Failed());
    EXPECT_EQ(at.Position(), 6u);
    // A read that fits afterwards still answers, but the flag stays set.
    EXPECT_EQ(at.U8(), 0xAAu);
    EXPECT_TRUE(at.Failed());
    EXPECT_EQ(at.Remaining(), 0u);

    // Advance may pass the end; every read from there fails.
    codec::Cursor past(bytes, sizeof bytes, 4);
    past.Advance(10);
    EXPECT_EQ(past.Position(), 14u);
    EXPECT_TRUE(past.Ok());
    EXPECT_EQ(past.Take(0), nullptr);
    EXPECT_TRUE(past.Failed());

    // Reads of every width, one byte short each.
    for (size_t size = 0; size < 4; ++size)
    {
        codec::Cursor shortOne(bytes, size);
        EXPECT_EQ(shortOne.U32(), 0u) << size;
        EXPECT_EQ(shortOne.F32(), 0.0f) << size;
        EXPECT_EQ(shortOne.I32(), 0) << size;
        EXPECT_TRUE(shortOne.Failed()) << size;
        EXPECT_EQ(shortOne.Position(), 0u) << size;
    }
    unsigned char copy[3] = {};
    codec::Cursor reader(bytes, sizeof bytes, 5);
    EXPECT_FALSE(reader.Read(copy, 3));
    EXPECT_EQ(copy[0], 0);
    EXPECT_TRUE(reader.Read(copy, 2));
    EXPECT_EQ(copy[1], 0xAA);
}
