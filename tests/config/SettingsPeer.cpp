// The other process of the two-process settings test.
//   settings_peer write DIR COUNT: adds presets p0000 ... one save each, and checks each save
//   settings_peer read DIR COUNT: loads over and over until it has seen all COUNT presets;
//   every load must succeed and show a whole prefix p0000 ... of them, never a part of a file.
// Exit codes: 0 fine, 1 usage, 2 a save failed, 3 a load gave up, 4 a load showed a torn
// configuration, 5 the presets never all arrived.

#include "config/Configuration.h"
#include "config/ConfigurationHolder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
std::string fg_Name(int index)
{
    char name[16];
    std::snprintf(name, sizeof(name), "p%04d", index);
    return name;
}

int fg_Write(const char* directory, int count)
{
    NQuillon::CConfigurationHolder holder;
    holder.f_SetSettingsDirectory(directory);
    if (!holder.f_LoadSettings("Settings.dat"))
        return 3;
    for (int i = 0; i < count; ++i)
        if (!holder.f_CreatePreset(fg_Name(i).c_str()) || !holder.f_SaveSettings())
            return 2;
    return 0;
}

int fg_Read(const char* directory, int count)
{
    for (int attempt = 0; attempt < 200000; ++attempt)
    {
        NQuillon::CConfigurationHolder holder;
        holder.m_bSavingSuppressed = true;
        holder.f_SetSettingsDirectory(directory);
        if (!holder.f_LoadSettings("Settings.dat"))
            return 3;
        const auto names = holder.f_ListPresetNames();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (fg_Name(static_cast<int>(i)) != names[i].f_GetStr())
                return 4;
        if (static_cast<int>(names.size()) == count)
            return 0;
    }
    return 5;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 1;
    const int count = std::atoi(argv[3]);
    if (!std::strcmp(argv[1], "write"))
        return fg_Write(argv[2], count);
    if (!std::strcmp(argv[1], "read"))
        return fg_Read(argv[2], count);
    return 1;
}
