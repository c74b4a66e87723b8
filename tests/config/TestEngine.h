#pragma once
// A configuration holder whose input side records what the actions asked for, and a builder
// of settings files byte by byte, straight from the format.

#include "config/Configuration.h"
#include "core/BinaryStreamMemory.h"

#include <array>
#include <string>
#include <vector>

namespace NQuillonTest
{
class CTestEngine final : public NQuillon::CMessageHookBase
{
public:
    void f_GeneratePress(const CKey& key) override { m_Log.push_back("+" + fp_Name(key)); }
    void f_GenerateRelease(const CKey& key) override { m_Log.push_back("-" + fp_Name(key)); }
    void f_ReleaseAllKeys() override { m_Log.push_back("release all"); }

    std::vector<std::string> m_Log;

private:
    static std::string fp_Name(const CKey& key) { return f_GetKeyName(key.m_Device, key.m_Code).f_GetStr(); }
};

// Little-endian pieces of a settings file.
class CBytes
{
public:
    CBytes& u32(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_Bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
        return *this;
    }
    CBytes& i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
    CBytes& str(const std::string& text)
    {
        u32(static_cast<std::uint32_t>(text.size()));
        m_Bytes.insert(m_Bytes.end(), text.begin(), text.end());
        return *this;
    }
    // A key list in the layout of the version: (device, code, order) per key, with the
    // discarded fourth value before 259.
    CBytes& keys(std::uint32_t version, std::initializer_list<std::array<std::int32_t, 3>> keys)
    {
        u32(static_cast<std::uint32_t>(keys.size()));
        for (const auto& key : keys)
        {
            i32(key[0]).i32(key[1]);
            if (version < 259)
                u32(0xDEADBEEF);
            i32(key[2]);
        }
        return *this;
    }
    const std::vector<unsigned char>& f_Get() const { return m_Bytes; }

    std::vector<unsigned char> m_Bytes;
};

// Reads a settings image into the engine as a load would.
inline std::uint32_t gf_LoadImage(NQuillon::CMessageHookBase& engine, const std::vector<unsigned char>& bytes)
{
    NTev::NStream::CBinaryStreamMemory stream(bytes);
    std::uint32_t flags = 0;
    std::uint32_t version = 0;
    auto configuration = engine.f_ReadSettings(stream, flags, version);
    engine.f_InstallConfiguration(std::move(configuration), flags);
    return version;
}

inline std::vector<unsigned char> gf_SaveImage(NQuillon::CMessageHookBase& engine)
{
    NTev::NStream::CBinaryStreamMemory stream;
    engine.f_WriteSettings(stream);
    return stream.f_GetBytes();
}
} // namespace NQuillonTest
