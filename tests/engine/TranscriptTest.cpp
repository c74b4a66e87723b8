// Golden transcripts: each file under transcripts/ holds a settings description (the JSON of
// quillon-config), a simulator script and the output expected from it. Lines starting with
// "#" are notes on both sides and are not compared.

#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace
{
struct CTranscript
{
    std::string m_Name;
    std::string m_Settings;
    // "== settings NAME" sections, which the script loads with "l:NAME".
    std::map<std::string, std::string> m_NamedSettings;
    std::string m_Script;
    std::string m_Expected;
};

CTranscript fg_ReadTranscript(const std::filesystem::path& path)
{
    std::ifstream file(path);
    CTranscript transcript;
    transcript.m_Name = path.stem().string();
    std::string* section = nullptr;
    std::string line;
    while (std::getline(file, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == "== settings")
            section = &transcript.m_Settings;
        else if (line.rfind("== settings ", 0) == 0)
            section = &transcript.m_NamedSettings[line.substr(12)];
        else if (line == "== script")
            section = &transcript.m_Script;
        else if (line == "== expect")
            section = &transcript.m_Expected;
        else if (section)
            *section += line + "\n";
    }
    return transcript;
}

std::vector<std::string> fg_Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

// The settings go through the real file format: built from JSON, written, then read back by
// the simulator.
std::vector<unsigned char> fg_SettingsImage(const std::string& description)
{
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), holder);
    NTev::NStream::CBinaryStreamMemory image;
    holder.f_WriteSettings(image);
    return image.f_GetBytes();
}

std::vector<std::filesystem::path> fg_TranscriptFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(QUILLON_TRANSCRIPT_DIR))
        if (entry.path().extension() == ".t")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class CTranscriptTest : public ::testing::TestWithParam<std::filesystem::path>
{
};
} // namespace

TEST_P(CTranscriptTest, OutputMatches)
{
    const CTranscript transcript = fg_ReadTranscript(GetParam());
    ASSERT_FALSE(transcript.m_Script.empty()) << "no script section";
    std::ostringstream output;
    {
        NQuillonSim::CSimulator simulator(output);
        if (!transcript.m_Settings.empty())
            simulator.f_LoadSettingsImage(fg_SettingsImage(transcript.m_Settings), transcript.m_Name);
        simulator.f_SetSettingsLoader(
            [&](const std::string& name)
            {
                auto found = transcript.m_NamedSettings.find(name);
                if (found == transcript.m_NamedSettings.end())
                    throw NQuillonSim::CSimError{"no settings section named '" + name + "'"};
                return fg_SettingsImage(found->second);
            });
        simulator.f_RunScript(transcript.m_Script);
    }
    EXPECT_EQ(fg_Lines(output.str()), fg_Lines(transcript.m_Expected)) << "full output:\n" << output.str();
}

INSTANTIATE_TEST_SUITE_P(Transcripts, CTranscriptTest, ::testing::ValuesIn(fg_TranscriptFiles()),
                         [](const ::testing::TestParamInfo<std::filesystem::path>& info)
                         {
                             std::string name = info.param.stem().string();
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name;
                         });
