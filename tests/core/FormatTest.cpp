#include "core/Format.h"
#include "tests/support/AllocationCounter.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

using NTev::CFStr17;
using NTev::CFStr256;
using NTev::CStr;
using NTev::gf_Format;

namespace
{
template <typename... t_CArgs>
std::string fg_Fmt(const char* pattern, const t_CArgs&... args)
{
    CStr out;
    gf_Format(out, pattern, args...);
    return out.f_GetStr();
}

constexpr const char* mc_OutOfRange = "###format var out of range###";
} // namespace

TEST(Format, PlainTextAndBraces)
{
    EXPECT_EQ(fg_Fmt("no placeholders"), "no placeholders");
    EXPECT_EQ(fg_Fmt("a}b"), "a}b");
    EXPECT_EQ(fg_Fmt("{{}"), "{}");
    EXPECT_EQ(fg_Fmt("{{{}}", 5), "{5}");
    EXPECT_EQ(fg_Fmt(""), "");
}

TEST(Format, AutomaticExplicitAndMissingIndexes)
{
    EXPECT_EQ(fg_Fmt("{}-{}", 1, 2), "1-2");
    EXPECT_EQ(fg_Fmt("{}{}", 7), std::string("7") + mc_OutOfRange);
    EXPECT_EQ(fg_Fmt("{1}{}", "a", "b"), "ba");
    EXPECT_EQ(fg_Fmt("{1}{1}{0}", "a", "b"), "bba");
    EXPECT_EQ(fg_Fmt("{5}", 1), mc_OutOfRange);
    EXPECT_EQ(fg_Fmt("x{}"), std::string("x") + mc_OutOfRange);
}

TEST(Format, UnterminatedPatterns)
{
    EXPECT_EQ(fg_Fmt("abc{", 1), "abc");
    EXPECT_EQ(fg_Fmt("x{sj2", 5), "x 5");
    EXPECT_EQ(fg_Fmt("x{sj2}y{", 5), "x 5y");
}

TEST(Format, ZeroFilledFields)
{
    EXPECT_EQ(fg_Fmt("{sj2,sf0}", 7), "07");
    EXPECT_EQ(fg_Fmt("{sj2,sf0}", 123), "23");
    EXPECT_EQ(fg_Fmt("{sj2}", 2006), "06");
    EXPECT_EQ(fg_Fmt("{sj3,sf0}", 5), "005");
    EXPECT_EQ(fg_Fmt("{sj5,sf0}", -42), "00-42");
    EXPECT_EQ(fg_Fmt("{l4}", 12), "  12");
    EXPECT_EQ(fg_Fmt("{m2}", 12345), "45");
}

TEST(Format, Hexadecimal)
{
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj8}", 0x1F), "0000001f");
    EXPECT_EQ(fg_Fmt("{nfh,nc1,sf0,sj8}", 0x1F), "0000001F");
    EXPECT_EQ(fg_Fmt("{nfh,nc0,sf0,sj8}", 0x1F), "0000001f");
    EXPECT_EQ(fg_Fmt("{nfh,sj8,sf0}", 0xDEADBEEFu), "deadbeef");
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj2}", 0xA), "0a");
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj4}", std::uint16_t(0xBEEF)), "beef");
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj16}", std::uint64_t(0x123456789ABCDEF0ull)), "123456789abcdef0");
    EXPECT_EQ(fg_Fmt("{nh,sf0,l8,m8}", std::uint64_t(0x123456789ABCDEF0ull)), "9abcdef0");
    EXPECT_EQ(fg_Fmt("{nh,sf0,l8,m8}", 0xAB), "000000ab");
    EXPECT_EQ(fg_Fmt("{nh}", std::uint64_t(0xFFFFFFFFFFFFFFFFull)), "ffffffffffffffff");
}

TEST(Format, WidthFromArguments)
{
    // The value is taken when the placeholder opens, the width from the next automatic one.
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj*}", 0xAB, 16), "00000000000000ab");
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj*}|{}", 0xAB, 4, "next"), "00ab|next");
    // sj*1 reads the width from argument 1 and leaves the automatic index alone.
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj*1}", 0xAB, 6), "0000ab");
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj*1}|{}", 0xAB, 6), "0000ab|6");
    // A missing width argument leaves the option at its default.
    EXPECT_EQ(fg_Fmt("{sj*}", 5), "5");
}

TEST(Format, IndirectIndex)
{
    EXPECT_EQ(fg_Fmt("{*}", 2, "a", "b"), "b");
    EXPECT_EQ(fg_Fmt("{*2}", "x", "y", 1), "y");
    EXPECT_EQ(fg_Fmt("{*5}", 1), mc_OutOfRange);
    EXPECT_EQ(fg_Fmt("{*}", 9), mc_OutOfRange);
}

TEST(Format, SignsAndBases)
{
    EXPECT_EQ(fg_Fmt("{n+}", 0), "0");
    EXPECT_EQ(fg_Fmt("{n+}", 5), "+5");
    EXPECT_EQ(fg_Fmt("{}", -5), "-5");
    EXPECT_EQ(fg_Fmt("{}", INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(fg_Fmt("{}", UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(fg_Fmt("{nb}", 5), "101");
    EXPECT_EQ(fg_Fmt("{no}", 8), "10");
    EXPECT_EQ(fg_Fmt("{nfb}", 5), "101");
    EXPECT_EQ(fg_Fmt("{nfo}", 9), "11");
    EXPECT_EQ(fg_Fmt("{nfn}", 9), "9");
    EXPECT_EQ(fg_Fmt("{nf36}", 35), "z");
    EXPECT_EQ(fg_Fmt("{nf99}", 35), "z");
    EXPECT_EQ(fg_Fmt("{nf1}", 2), "10");
    EXPECT_EQ(fg_Fmt("{}", std::uint8_t(200)), "200");
}

TEST(Format, GroupSeparators)
{
    EXPECT_EQ(fg_Fmt("{ns.}", 1234567), "1.234.567");
    EXPECT_EQ(fg_Fmt("{nt44}", 1234567), "1,234,567");
    EXPECT_EQ(fg_Fmt("{ns.}", 123), "123");
    EXPECT_EQ(fg_Fmt("{ns.}", -1234), "-1.234");
    // Only bases 8 to 10 are grouped.
    EXPECT_EQ(fg_Fmt("{nh,ns.}", 0x123456), "123456");
}

TEST(Format, AlignedPlacement)
{
    EXPECT_EQ(fg_Fmt("[{a-0,l5}]", 12), "[12   ]");
    EXPECT_EQ(fg_Fmt("[{a-2,l6}]", 12), "[  12  ]");
    EXPECT_EQ(fg_Fmt("[{a+0,l5}]", 12), "[   12]");
    EXPECT_EQ(fg_Fmt("[{a-0,l4,m3}]", "abcdef"), "[abc]");
    EXPECT_EQ(fg_Fmt("[{a+0,m3}]", "abcdef"), "[def]");
    // The sign counts against the alignment count.
    EXPECT_EQ(fg_Fmt("[{a-2,l6}]", -12), "[ -12  ]");
}

TEST(Format, Options)
{
    EXPECT_EQ(fg_Fmt("{qq}", 5), "| format specifier unknown (QQ) |5");
    EXPECT_EQ(fg_Fmt("{q}", 5), "| format specifier unknown (Q) |5");
    EXPECT_EQ(fg_Fmt("{nh}", "text"), "| format specifier unknown (NH) |text");
    EXPECT_EQ(fg_Fmt("{cu}", 5), "| format specifier unknown (CU) |5");
    // A blank in front of an option disables it; empty options are ignored.
    EXPECT_EQ(fg_Fmt("{ sj4}", 5), "5");
    EXPECT_EQ(fg_Fmt("{,,sj3}", 5), "  5");
    EXPECT_EQ(fg_Fmt("{SJ3,SF*}", 5), "**5");
}

TEST(Format, Strings)
{
    CStr str("shared");
    CFStr256 fixed("fixed");
    char mutableText[] = "mutable";
    EXPECT_EQ(fg_Fmt("{} {} {} {}", "literal", str, fixed, mutableText), "literal shared fixed mutable");
    EXPECT_EQ(fg_Fmt("{cu}", "MiXed 1"), "MIXED 1");
    EXPECT_EQ(fg_Fmt("{cl}", "MiXed 1"), "mixed 1");
    EXPECT_EQ(fg_Fmt("{sj6,sf.}", "ab"), "....ab");
    const char* none = nullptr;
    EXPECT_EQ(fg_Fmt("[{}]", none), "[]");

    std::string longText(700, 'x');
    EXPECT_EQ(fg_Fmt("{cu}", longText.c_str()), std::string(700, 'X'));
}

TEST(Format, StringArgumentsAsNumbers)
{
    EXPECT_EQ(fg_Fmt("{nfh,sf0,sj*}", 0xAB, "width 4"), "00ab");
    EXPECT_EQ(fg_Fmt("{sj*}", 1, "0x10"), std::string(15, ' ') + "1");
    EXPECT_EQ(fg_Fmt("{sj*}", 1, "0b101"), "    1");
    EXPECT_EQ(fg_Fmt("{*}", "1", "a", "b"), "a");
    EXPECT_EQ(fg_Fmt("{*}", "none", "a"), "none");
}

TEST(Format, FixedOutputsCutAtCapacity)
{
    std::string longText(300, 'y');
    CFStr256 fixed;
    gf_Format(fixed, "{}", longText.c_str());
    EXPECT_EQ(fixed.f_GetLen(), 255u);
    EXPECT_EQ(std::string(fixed.f_GetStr()), std::string(255, 'y'));

    gf_Format(fixed, "{sj300,sf-}", 1);
    EXPECT_EQ(fixed.f_GetLen(), 255u);

    CFStr17 number;
    gf_Format(number, "{nb}", UINT64_MAX);
    EXPECT_EQ(std::string(number.f_GetStr()), std::string(16, '1'));
}

TEST(Format, OutputMayBeAnArgument)
{
    CStr text("abc");
    gf_Format(text, "<{}{}>", text, text);
    EXPECT_EQ(std::string(text.f_GetStr()), "<abcabc>");

    CFStr256 fixed("xy");
    gf_Format(fixed, "{}-{}", fixed, fixed);
    EXPECT_EQ(std::string(fixed.f_GetStr()), "xy-xy");
}

TEST(Format, CStrOutputIsTrimmedAndEmptyIsNull)
{
    CStr text;
    gf_Format(text, "{}", "");
    EXPECT_EQ(text.f_GetCapacity(), 0u);

    std::string longText(200, 'z');
    gf_Format(text, "{}", longText.c_str());
    EXPECT_EQ(text.f_GetLen(), 200u);
    EXPECT_LE(text.f_GetCapacity() - 201, 32u);
}

TEST(Format, FormattingIntoAFixedStringAllocatesNothing)
{
    CStr shared("shared text");
    CFStr256 out;
    std::uint64_t before = NQuillonTest::gf_CountAllocations();
    for (int i = 0; i < 100; ++i)
        gf_Format(out, "{} {sj5,sf0} {nfh,sf0,sj*} {cu} {} {ns.} {}", "a", i, 0xABCu, 16, "mixed", shared,
                  1234567, std::int64_t(-9));
    std::uint64_t after = NQuillonTest::gf_CountAllocations();
    EXPECT_EQ(after - before, 0u);
    EXPECT_STREQ(out.f_GetStr(), "a 00099 0000000000000abc MIXED shared text 1.234.567 -9");
}
