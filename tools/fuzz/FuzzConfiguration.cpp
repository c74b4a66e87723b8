// The settings reader and quillon-config's JSON under hostile input.

#include "tools/fuzz/FuzzTargets.h"

#include "tools/config/ConfigJson.h"

#include "config/Configuration.h"
#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"
#include "core/Exception.h"

#include <memory>
#include <vector>

namespace NQuillonFuzz
{
namespace
{
using CBytes = std::vector<unsigned char>;

std::unique_ptr<NQuillon::CConfigurationHolder> fg_NewHolder()
{
    auto holder = std::make_unique<NQuillon::CConfigurationHolder>();
    holder->m_bSavingSuppressed = true;
    return holder;
}

// Reads an image into holder; false with the reason when the reader refuses it.
bool fg_Read(NQuillon::CConfigurationHolder& holder, const CBytes& bytes, std::uint32_t& version,
             std::string& reason)
{
    try
    {
        NTev::NStream::CBinaryStreamMemory stream(bytes);
        std::uint32_t flags = 0;
        auto configuration = holder.f_ReadSettings(stream, flags, version);
        holder.f_InstallConfiguration(std::move(configuration), flags);
        return true;
    }
    catch (const NTev::NException::CException& exception)
    {
        reason = exception.f_GetMessage();
        return false;
    }
}

CBytes fg_Write(NQuillon::CConfigurationHolder& holder)
{
    NTev::NStream::CBinaryStreamMemory stream;
    holder.f_WriteSettings(stream);
    return stream.f_GetBytes();
}

// What this system wrote must read back, write the same bytes, and survive JSON both ways.
void fg_CheckWrittenImage(const CBytes& image, const char* origin)
{
    auto again = fg_NewHolder();
    std::uint32_t version = 0;
    std::string reason;
    if (!fg_Read(*again, image, version, reason))
        gf_Fail(std::string(origin) + ": a written image does not read back: " + reason);
    if (fg_Write(*again) != image)
        gf_Fail(std::string(origin) + ": a written image reads back to different bytes");

    std::string text;
    try
    {
        text = NQuillonConfigTool::gf_DumpConfiguration(*again, version).dump();
    }
    catch (const nlohmann::json::exception& exception)
    {
        gf_Fail(std::string(origin) + ": dump fails: " + exception.what());
    }
    auto built = fg_NewHolder();
    try
    {
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(text), *built);
    }
    catch (const NQuillonConfigTool::CJsonError& error)
    {
        gf_Fail(std::string(origin) + ": the dump does not build: " + error.m_Message);
    }
    if (fg_Write(*built) != image)
        gf_Fail(std::string(origin) + ": dump and build change the image");
}
} // namespace

void gf_FuzzSettingsFile(const std::uint8_t* data, std::size_t size)
{
    auto holder = fg_NewHolder();
    std::uint32_t version = 0;
    std::string reason;
    if (!fg_Read(*holder, CBytes(data, data + size), version, reason))
        return;
    fg_CheckWrittenImage(fg_Write(*holder), "settings file");
}

void gf_FuzzConfigJson(const std::uint8_t* data, std::size_t size)
{
    const nlohmann::json description = nlohmann::json::parse(data, data + size, nullptr, false);
    if (description.is_discarded())
        return;
    auto holder = fg_NewHolder();
    try
    {
        NQuillonConfigTool::gf_BuildConfiguration(description, *holder);
    }
    catch (const NQuillonConfigTool::CJsonError&)
    {
        return;
    }
    fg_CheckWrittenImage(fg_Write(*holder), "JSON");
}
} // namespace NQuillonFuzz
