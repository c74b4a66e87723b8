// Names between the settings file's code page and JSON's UTF-8.

#include "tools/config/CodePage.h"
#include "tools/config/ConfigJson.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"
#include "tests/config/TestEngine.h"

#include <gtest/gtest.h>

using NQuillonConfigTool::CCodePage;

namespace
{
CCodePage fg_CodePage(const char* name)
{
    CCodePage codePage;
    EXPECT_TRUE(CCodePage::fs_FromName(name, codePage));
    return codePage;
}
} // namespace

TEST(CodePage, EveryByteRoundTripsThroughValidUtf8)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    for (const char* name : {"1252", "28591"})
    {
        SCOPED_TRACE(name);
        const CCodePage codePage = fg_CodePage(name);
        const std::string utf8 = codePage.f_ToUtf8(all);
        EXPECT_NO_THROW((void)nlohmann::json(utf8).dump());
        std::string back;
        std::string reason;
        ASSERT_TRUE(codePage.f_FromUtf8(utf8, back, reason)) << reason;
        EXPECT_EQ(back, all);
    }
}

TEST(CodePage, Windows1252Characters)
{
    const CCodePage codePage;
    EXPECT_EQ(codePage.f_ToUtf8("Spiel f\xFCr"), "Spiel f\xC3\xBCr");
    EXPECT_EQ(codePage.f_ToUtf8("\x80"), "\xE2\x82\xAC");
    // Undefined in 1252: the control character of the same number.
    EXPECT_EQ(codePage.f_ToUtf8("\x81\x9D"), "\xC2\x81\xC2\x9D");
    EXPECT_EQ(fg_CodePage("28591").f_ToUtf8("\x80"), "\xC2\x80");
    std::string bytes;
    std::string reason;
    EXPECT_FALSE(codePage.f_FromUtf8("\xE6\x97\xA5", bytes, reason));
    EXPECT_EQ(reason, "character U+65E5 is not in code page 1252");
    EXPECT_FALSE(fg_CodePage("28591").f_FromUtf8("\xE2\x82\xAC", bytes, reason));
    CCodePage unknown;
    EXPECT_FALSE(CCodePage::fs_FromName("437", unknown));
}

TEST(CodePage, NamesSurviveDumpAndBuildByteForByte)
{
    // What the dialog writes for "Spiel für", with bytes 1252 leaves undefined in a preset.
    NQuillonTest::CBytes b;
    b.u32(0x4C57514B).u32(274).u32(0).u32(274).u32(1).str("Spiel f\xFCr").u32(1);
    b.str("Gr\xFC\x81pe").i32(1).u32(0).u32(0).u32(1);
    b.u32(1).u32(0).keys(274, {{{0, 0x3B, 1}}}).str("Spiel f\xFCr");
    b.u32(1).str("\x8D\x8F\x90").u32(1).str("Keyboard Repeat Rate").str("3\x9D");
    b.str("Spiel f\xFCr").str("\x8D\x8F\x90").u32(0);
    NQuillon::CConfigurationHolder loaded;
    loaded.m_bSavingSuppressed = true;
    NQuillonTest::gf_LoadImage(loaded, b.f_Get());
    const std::string json = NQuillonConfigTool::gf_DumpConfiguration(loaded, 274).dump();
    EXPECT_NE(json.find("Spiel f\xC3\xBCr"), std::string::npos);

    NQuillon::CConfigurationHolder built;
    built.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(json), built);
    EXPECT_EQ(NQuillonTest::gf_SaveImage(built), b.f_Get());
}

TEST(CodePage, BuildRefusesWhatTheFileCannotHold)
{
    const char* descriptions[] = {
        R"json({"tables": [{"name": "\u65E5"}]})json",
        R"json({"tables": [{"name": "a\u0000b"}]})json",
        R"json({"presets": [{"name": "P", "settings": {"Keyboard Repeat Rate": "\u20AC\u65E5"}}]})json",
    };
    for (const char* description : descriptions)
    {
        SCOPED_TRACE(description);
        NQuillon::CConfigurationHolder holder;
        holder.m_bSavingSuppressed = true;
        EXPECT_THROW(NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), holder),
                     NQuillonConfigTool::CJsonError);
    }
}
