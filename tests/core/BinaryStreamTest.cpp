#include "core/BinaryStreamMemory.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>
#include <vector>

using NTev::NStream::CBinaryStreamMemory;

TEST(BinaryStream, IntegersAreLittleEndianAtTheirWidth)
{
    CBinaryStreamMemory stream;
    stream.f_WriteInt<std::uint8_t>(0xAB);
    stream.f_WriteInt<std::uint16_t>(0x1234);
    stream.f_WriteInt<std::int32_t>(-2);
    stream.f_WriteInt<std::uint64_t>(0x0102030405060708ull);
    std::vector<unsigned char> expected = {0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(stream.f_GetBytes(), expected);

    stream.f_SetPosition(0);
    EXPECT_EQ(stream.f_ReadInt<std::uint8_t>(), 0xAB);
    EXPECT_EQ(stream.f_ReadInt<std::uint16_t>(), 0x1234);
    EXPECT_EQ(stream.f_ReadInt<std::int32_t>(), -2);
    EXPECT_EQ(stream.f_ReadInt<std::uint64_t>(), 0x0102030405060708ull);
    EXPECT_TRUE(stream.f_IsEndOfFile());
}

TEST(BinaryStream, StringsAreCountedWithoutTerminator)
{
    CBinaryStreamMemory stream;
    stream.f_WriteString(NTev::CStr("abc"));
    stream.f_WriteString(NTev::CStr());
    std::vector<unsigned char> expected = {3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0};
    EXPECT_EQ(stream.f_GetBytes(), expected);
    stream.f_SetPosition(0);
    EXPECT_STREQ(stream.f_ReadString().f_GetStr(), "abc");
    EXPECT_TRUE(stream.f_ReadString().f_IsEmpty());
}

TEST(BinaryStream, CorruptCountsFailBeforeAllocating)
{
    CBinaryStreamMemory stream(std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0x7F, 'a'});
    EXPECT_TEV_THROW(stream.f_ReadString(), "CExceptionFile", "Read call would have read past end of file");
    stream.f_SetPosition(0);
    EXPECT_TEV_THROW(stream.f_ReadCount(12), "CExceptionFile", "Read call would have read past end of file");
}

TEST(BinaryStream, MemoryStreamBounds)
{
    CBinaryStreamMemory stream(std::vector<unsigned char>{1, 2, 3});
    std::uint32_t value;
    EXPECT_TEV_THROW(stream.f_Read(&value, 4), "CExceptionFile",
                     "Read call would have read past end of file");
    EXPECT_EQ(stream.f_GetPosition(), 0);
    EXPECT_EQ(stream.f_SetPositionFromEnd(0), 3);
    EXPECT_EQ(stream.f_SetPositionFromEnd(3), 0);
    EXPECT_TEV_THROW(stream.f_SetPositionFromEnd(4), "CExceptionFile", "Position is negative");
    EXPECT_TEV_THROW(stream.f_AddPosition(-1), "CExceptionFile", "New position would negative");
    EXPECT_TEV_THROW(stream.f_AddPosition(4), "CExceptionFile", "New position would past end of file");
    EXPECT_EQ(stream.f_Reserved0(), 0);
    EXPECT_EQ(stream.f_Reserved4(), 4);
    EXPECT_EQ(stream.f_Reserved1(), 1);
}
