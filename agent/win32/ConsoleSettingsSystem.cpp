#include "agent/win32/ConsoleSettingsSystem.h"

#include "agent/win32/UserToken.h"
#include "config/win32/SettingsPlaces.h"
#include "core/CommandLine.h"
#include "core/Format.h"

#include <wtsapi32.h>

#include <memory>

namespace NQuillon
{
namespace
{
class CUserSettingsSource final : public ICSettingsSource
{
public:
    CUserSettingsSource(HANDLE token, const NTev::CStr& directory) noexcept
        : m_hToken(token), m_Directory(directory)
    {
    }
    ~CUserSettingsSource() override { CloseHandle(m_hToken); }
    CUserSettingsSource(const CUserSettingsSource&) = delete;
    CUserSettingsSource& operator=(const CUserSettingsSource&) = delete;

    const NTev::CStr& f_GetDirectory() const noexcept override { return m_Directory; }
    void f_SetDirectory(const NTev::CStr& directory) { m_Directory = directory; }
    bool f_Enter() override
    {
        if (ImpersonateLoggedOnUser(m_hToken))
            return true;
        NTev::gf_DebugOutput("Cannot act as the user to use {}: error {}\n", m_Directory,
                             static_cast<std::uint32_t>(GetLastError()));
        return false;
    }
    void f_Leave() noexcept override
    {
        if (!RevertToSelf())
            NTev::gf_DebugOutput("RevertToSelf failed: error {}\n",
                                 static_cast<std::uint32_t>(GetLastError()));
    }

private:
    HANDLE m_hToken;
    NTev::CStr m_Directory;
};

class CMachineSettingsSource final : public ICSettingsSource
{
public:
    explicit CMachineSettingsSource(const NTev::CStr& directory) : m_Directory(directory) {}
    const NTev::CStr& f_GetDirectory() const noexcept override { return m_Directory; }
    bool f_Enter() override { return true; }
    void f_Leave() noexcept override {}

private:
    NTev::CStr m_Directory;
};

} // namespace

std::shared_ptr<ICSettingsSource> gf_MakeUserSettingsSource(HANDLE token, const NTev::CStr& directory)
{
    HANDLE impersonation = nullptr;
    if (!DuplicateTokenEx(token, TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, nullptr,
                          SecurityImpersonation, TokenImpersonation, &impersonation))
    {
        NTev::gf_DebugOutput("The user's token cannot be copied: error {}\n",
                             static_cast<std::uint32_t>(GetLastError()));
        return nullptr;
    }
    return std::make_shared<CUserSettingsSource>(impersonation, directory);
}

std::shared_ptr<ICSettingsSource> gf_OpenSettingsOfUser(HANDLE token)
{
    std::shared_ptr<ICSettingsSource> source = gf_MakeUserSettingsSource(token, NTev::CStr());
    if (!source)
        return nullptr;
    NTev::CStr directory;
    {
        CSettingsSourceScope scope(source.get());
        if (!scope.f_IsOpen())
            return nullptr;
        CSettingsPlaces places(token);
        directory = gf_FindSettingsDirectory(places);
    }
    if (directory.f_IsEmpty())
        return nullptr;
    static_cast<CUserSettingsSource&>(*source).f_SetDirectory(directory);
    return source;
}

std::shared_ptr<ICSettingsSource> gf_MakeMachineSettingsSource(const NTev::CStr& directory)
{
    return std::make_shared<CMachineSettingsSource>(directory);
}

std::uint32_t CConsoleSettingsSystem::f_GetConsoleSession()
{
    return m_Sessions.f_GetConsoleSession();
}

NTev::CStr CConsoleSettingsSystem::f_GetSessionUser(std::uint32_t session)
{
    return m_Sessions.f_GetSessionUser(session);
}

std::shared_ptr<ICSettingsSource> CConsoleSettingsSystem::f_OpenUserSettings(std::uint32_t session)
{
    // The user's own (unelevated) token: the tray it matches runs with it.
    CHandle token = gf_QueryUserToken(session);
    if (!token)
        return nullptr;
    return gf_OpenSettingsOfUser(token.get());
}

std::shared_ptr<ICSettingsSource> CConsoleSettingsSystem::f_OpenMachineSettings()
{
    return gf_MakeMachineSettingsSource(NTev::NSys::NFile::gf_GetProgramDirectory());
}
} // namespace NQuillon
