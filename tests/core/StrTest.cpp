#include "core/Str.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using NTev::CFStr256;
using NTev::CStr;

TEST(Str, NullIsEmpty)
{
    CStr empty;
    EXPECT_STREQ(empty.f_GetStr(), "");
    EXPECT_EQ(empty.f_GetLen(), 0u);
    EXPECT_EQ(empty.f_GetCapacity(), 0u);
    EXPECT_TRUE(CStr("").f_IsEmpty());
    EXPECT_EQ(CStr("").f_GetCapacity(), 0u);
}

TEST(Str, BlocksAreMultiplesOf32Bytes)
{
    EXPECT_EQ(CStr::fs_BlockSize(1), 32u);
    EXPECT_EQ(CStr::fs_BlockSize(16), 32u);
    EXPECT_EQ(CStr::fs_BlockSize(17), 64u);
    EXPECT_EQ(CStr::fs_BlockSize(49), 96u);
    // The capacity is what the block holds after its 16-byte header.
    CStr text("x");
    EXPECT_EQ(text.f_GetCapacity(), 16u);
    CStr longer(std::string(20, 'a').c_str());
    EXPECT_EQ(longer.f_GetCapacity(), 48u);
}

TEST(Str, CopiesShareUntilWritten)
{
    CStr a("hello");
    CStr b(a);
    EXPECT_EQ(a.f_GetStr(), b.f_GetStr());
    EXPECT_TRUE(a.f_IsShared());

    b += " world";
    EXPECT_STREQ(a.f_GetStr(), "hello");
    EXPECT_STREQ(b.f_GetStr(), "hello world");
    EXPECT_FALSE(a.f_IsShared());
    EXPECT_FALSE(b.f_IsShared());

    // A shared block is copied before a write, keeping what fits in the new block.
    CStr longText(std::string(40, 'l').c_str());
    CStr c(longText);
    char* chars = c.f_SetCapacity(3);
    EXPECT_EQ(std::string(chars), std::string(15, 'l'));
    EXPECT_EQ(longText.f_GetLen(), 40u);
}

TEST(Str, CapacityChangesKeepWhatFits)
{
    CStr text("abcdefghijklmnopqrstuvwxyz");
    text.f_SetCapacity(100);
    EXPECT_STREQ(text.f_GetStr(), "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(text.f_GetCapacity(), 112u);
    // Capacities round up to the block: 4 bytes asked, 16 held.
    text.f_SetCapacity(4);
    EXPECT_EQ(text.f_GetCapacity(), 16u);
    EXPECT_STREQ(text.f_GetStr(), "abcdefghijklmno");
    text.f_SetCapacity(0);
    EXPECT_EQ(text.f_GetCapacity(), 0u);
    EXPECT_STREQ(text.f_GetStr(), "");
}

TEST(Str, AppendAndAssign)
{
    CStr text;
    text += "ab";
    text += CStr("cd");
    EXPECT_STREQ(text.f_GetStr(), "abcd");
    text.f_Append(text.f_GetStr() + 1, 2); // a piece of itself
    EXPECT_STREQ(text.f_GetStr(), "abcdbc");
    text = "new";
    EXPECT_TRUE(text == "new");
    text = text;
    EXPECT_TRUE(text == "new");
    EXPECT_STREQ((text + "!").f_GetStr(), "new!");
    EXPECT_TRUE(CStr("a") < CStr("b"));
}

TEST(Str, SharedBetweenThreads)
{
    CStr shared("shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&shared]
            {
                for (int i = 0; i < 10000; ++i)
                {
                    CStr copy(shared);
                    if (i % 100 == 0)
                        copy += "!";
                }
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_STREQ(shared.f_GetStr(), "shared between threads");
    EXPECT_FALSE(shared.f_IsShared());
}

TEST(FixedStr, CutsAt255)
{
    std::string longText(300, 'q');
    CFStr256 text(longText.c_str());
    EXPECT_EQ(text.f_GetLen(), 255u);
    text.f_Append("more");
    EXPECT_EQ(text.f_GetLen(), 255u);
    CFStr256 shortText("ab");
    shortText.f_Append("cd");
    EXPECT_TRUE(shortText == "abcd");
}
