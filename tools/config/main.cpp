// quillon-config: settings files as reviewable JSON, and back.
//   quillon-config dump FILE            print FILE as JSON
//   quillon-config build JSON -o FILE   write FILE (current version) from JSON
//   --code-page 1252|28591              the code page of names in the file (default 1252)

#include "tools/config/ConfigJson.h"

#include "config/Configuration.h"
#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"
#include "core/Exception.h"
#include "tools/common/ReadWholeFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
constexpr const char* mc_Usage = "usage: quillon-config [--code-page 1252|28591] dump FILE\n"
                                 "       quillon-config [--code-page 1252|28591] build JSON -o FILE\n";

int fg_Fail(const std::string& message)
{
    std::cerr << "quillon-config: " << message << "\n";
    return 2;
}

bool fg_ReadFile(const std::string& path, std::string& content, int& exitCode)
{
    std::string reason;
    if (NQuillonTools::gf_ReadWholeFile(path, content, reason))
        return true;
    exitCode = fg_Fail("cannot read '" + path + "': " + reason);
    return false;
}

int fg_Dump(const std::string& path, const NQuillonConfigTool::CCodePage& codePage)
{
    std::string content;
    int exitCode = 0;
    if (!fg_ReadFile(path, content, exitCode))
        return exitCode;
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    std::uint32_t version = 0;
    try
    {
        NTev::NStream::CBinaryStreamMemory stream(std::vector<unsigned char>(content.begin(), content.end()));
        std::uint32_t flags = 0;
        auto configuration = holder.f_ReadSettings(stream, flags, version);
        holder.f_InstallConfiguration(std::move(configuration), flags);
    }
    catch (const NTev::NException::CException& exception)
    {
        return fg_Fail("'" + path + "' is not a readable settings file: " + exception.f_GetMessage());
    }
    std::cout << NQuillonConfigTool::gf_DumpConfiguration(holder, version, codePage).dump(2) << "\n";
    return 0;
}

int fg_Build(const std::string& input, const std::string& output,
             const NQuillonConfigTool::CCodePage& codePage)
{
    std::string content;
    int exitCode = 0;
    if (!fg_ReadFile(input, content, exitCode))
        return exitCode;
    std::error_code error;
    if (std::filesystem::is_directory(output, error))
        return fg_Fail("cannot write '" + output + "': is a directory");
    nlohmann::json description;
    try
    {
        description = nlohmann::json::parse(content);
    }
    catch (const nlohmann::json::exception& exception)
    {
        return fg_Fail("'" + input + "' is not JSON: " + exception.what());
    }
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    NTev::NStream::CBinaryStreamMemory image;
    try
    {
        NQuillonConfigTool::gf_BuildConfiguration(description, holder, codePage);
        holder.f_WriteSettings(image);
    }
    catch (const NQuillonConfigTool::CJsonError& error)
    {
        return fg_Fail("'" + input + "': " + error.m_Message);
    }
    // Written aside and renamed, so that a failed write never leaves half a file behind.
    const std::string temporary = output + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const auto& bytes = image.f_GetBytes();
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush())
        {
            std::remove(temporary.c_str());
            return fg_Fail("cannot write '" + output + "'");
        }
    }
    std::remove(output.c_str());
    if (std::rename(temporary.c_str(), output.c_str()) != 0)
        return fg_Fail("cannot write '" + output + "'");
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    NQuillonConfigTool::CCodePage codePage;
    if (arguments.size() >= 2 && arguments[0] == "--code-page")
    {
        if (!NQuillonConfigTool::CCodePage::fs_FromName(arguments[1], codePage))
            return fg_Fail("unknown code page '" + arguments[1] + "' (known: 1252, 28591)");
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    const std::string verb = arguments.empty() ? "" : arguments[0];
    if (verb == "dump" && arguments.size() == 2)
        return fg_Dump(arguments[1], codePage);
    if (verb == "build" && arguments.size() == 4 && arguments[2] == "-o")
        return fg_Build(arguments[1], arguments[3], codePage);
    if (verb == "-h" || verb == "--help")
    {
        std::cout << mc_Usage;
        return 0;
    }
    std::cerr << mc_Usage;
    return 2;
}
