// The shipped MacBook Pro configuration: built from its JSON source, it holds the names the
// laptop configuration relies on, round-trips byte for byte, and does at the keyboard what the
// README's table says.

#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace
{
std::vector<unsigned char> fg_Read(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<unsigned char> fg_Image(NQuillon::CConfigurationHolder& holder)
{
    NTev::NStream::CBinaryStreamMemory image;
    holder.f_WriteSettings(image);
    return image.f_GetBytes();
}

std::string fg_Run(const std::string& script)
{
    std::ostringstream output;
    NQuillonSim::CSimulator simulator(output);
    simulator.f_LoadSettingsFile(QUILLON_MACBOOKPRO_DAT);
    simulator.f_RunScript(script);
    return output.str();
}
} // namespace

TEST(ShippedConfiguration, HoldsTheNamesTheLaptopSetUpUsesAndRoundTrips)
{
    const std::vector<unsigned char> shipped = fg_Read(QUILLON_MACBOOKPRO_DAT);
    ASSERT_FALSE(shipped.empty());
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    std::ifstream source(QUILLON_MACBOOKPRO_JSON);
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(source), holder);
    EXPECT_EQ(fg_Image(holder), shipped);

    const auto dump = NQuillonConfigTool::gf_DumpConfiguration(holder, 0);
    NQuillon::CConfigurationHolder rebuilt;
    rebuilt.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(dump, rebuilt);
    EXPECT_EQ(fg_Image(rebuilt), shipped);

    for (const char* table : {"MacBook Pro", "MacBook Pro Num Lock"})
    {
        std::vector<std::string> groups;
        for (const auto& group : holder.f_ListGroups(table))
            groups.push_back(group.m_Name.f_GetStr());
        EXPECT_EQ(groups, (std::vector<std::string>{"Function Key", "Normal"})) << table;
    }
    EXPECT_EQ(holder.f_ListPresetNames().size(), 1u);
    EXPECT_EQ(std::string(holder.f_ListPresetNames().at(0).f_GetStr()), "Default");
}

TEST(ShippedConfiguration, KeysDoWhatTheirLabelsSay)
{
    struct CCase
    {
        const char* m_pScript;
        const char* m_pOutput;
    };
    const CCase cases[] = {
        // fn alone reaches nobody; with Backspace it is Delete, with the arrows the paging keys.
        {"d:Menu u:Menu", ""},
        {"d:Menu d:Backspace u:Backspace u:Menu", "0 kbd Delete make\n0 kbd Delete break\n"},
        {"d:Menu d:Up u:Up d:Right u:Right u:Menu",
         "0 kbd PgUp make\n0 kbd PgUp break\n0 kbd End make\n0 kbd End break\n"},
        // The fn row alone gives what it is labelled with; with fn the function keys.
        {"d:F8 u:F8 d:F12 u:F12",
         "0 kbd I-Play make\n0 kbd I-Play break\n0 kbd I-VolAdd make\n0 kbd I-VolAdd break\n"},
        {"d:Menu d:F8 u:F8 u:Menu", "0 kbd F8 make\n0 kbd F8 break\n"},
        // fn+Enter switches to the keypad table and back.
        {"d:Menu d:Enter u:Enter u:Menu d:K7 u:K7 d:Menu d:Enter u:Enter u:Menu d:K7 u:K7",
         "# 0 table MacBook Pro Num Lock\n0 kbd KP-7 make\n0 kbd KP-7 break\n# 0 table MacBook Pro\n"
         "0 kbd K7 make\n0 kbd K7 break\n"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_pScript);
        EXPECT_EQ(fg_Run(c.m_pScript), std::string("# 0 table MacBook Pro\n") + c.m_pOutput);
    }
}
