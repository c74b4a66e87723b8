#include "agent/win32/SessionSystem.h"

#include "agent/win32/AgentOptions.h"

#include "agent/win32/AgentPipeServer.h"
#include "agent/win32/UserToken.h"
#include "app/DriverFiles.h"

#include "core/CommandLine.h"
#include "core/DebugOutput.h"
#include "core/Format.h"

#include <sddl.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <memory>
#include <vector>

namespace NQuillon
{
namespace
{
// How long an agent whose pipe closed gets to end by itself.
constexpr DWORD gc_AgentEndMilliseconds = 2000;

// The user's linked elevated token in place of the limited one, where that was chosen.
CHandle fg_ChooseAgentToken(CHandle token)
{
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!token || !GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size) ||
        !gf_AgentTakesLinkedToken(gf_ReadRemapAdministratorWindows(), static_cast<ETokenElevationType>(type)))
        return token;
    TOKEN_LINKED_TOKEN linked{};
    if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof linked, &size))
        return token;
    CHandle linkedToken(linked.LinkedToken);
    // A process needs a primary token.
    HANDLE primary = nullptr;
    if (!DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                          &primary))
        return token;
    NTev::gf_DebugOutput("The session agent runs elevated, as chosen\n");
    return CHandle(primary);
}

} // namespace

CSessionSystem::~CSessionSystem()
{
    f_EndLaunchedAgent();
}

std::wstring CSessionSystem::fs_GetProgramPath()
{
    // Wide: the program folder's name may hold characters outside the ANSI code page.
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

std::uint32_t CSessionSystem::f_GetConsoleSession()
{
    return WTSGetActiveConsoleSessionId();
}

NTev::CStr CSessionSystem::f_GetSessionUser(std::uint32_t session)
{
    CHandle token = fg_ChooseAgentToken(gf_QueryUserToken(session));
    if (!token)
        return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (!size)
        return {};
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return {};
    NTev::CStr user(text);
    LocalFree(text);
    return user;
}

bool CSessionSystem::f_Serve(std::uint32_t session, const char* user)
{
    return m_Server.f_Serve(session, user);
}

void CSessionSystem::f_StopServing()
{
    m_Server.f_Close();
}

bool CSessionSystem::f_LaunchAgent(std::uint32_t session)
{
    f_EndLaunchedAgent();
    // Only as the session's user: nobody logged on, no agent.
    CHandle token = fg_ChooseAgentToken(gf_QueryUserToken(session));
    if (!token)
    {
        NTev::gf_DebugOutput("No token for the session agent in session {}: error {}\n", session,
                             GetLastError());
        return false;
    }
    const std::wstring program = fs_GetProgramPath();
    const std::size_t slash = program.find_last_of(L'\\');
    if (program.empty() || slash == std::wstring::npos)
        return false;
    const std::wstring directory = program.substr(0, slash);
    const std::wstring command = L"\"" + program + L"\" -SessionAgent";
    std::vector<wchar_t> commandLine(command.begin(), command.end());
    commandLine.push_back(L'\0');
    void* environment = nullptr;
    if (!CreateEnvironmentBlock(&environment, token.get(), FALSE))
        environment = nullptr;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t desktop[] = L"winsta0\\default";
    startup.lpDesktop = desktop;
    PROCESS_INFORMATION process{};
    const BOOL created =
        CreateProcessAsUserW(token.get(), program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_NO_WINDOW | (environment ? CREATE_UNICODE_ENVIRONMENT : 0), environment,
                             directory.c_str(), &startup, &process);
    const DWORD error = GetLastError();
    if (environment)
        DestroyEnvironmentBlock(environment);
    if (!created)
    {
        NTev::gf_DebugOutput("The session agent did not start in session {}: error {}\n", session, error);
        return false;
    }
    CloseHandle(process.hThread);
    m_hAgent = process.hProcess;
    m_AgentId = process.dwProcessId;
    NTev::gf_DebugOutput("Session agent {} started in session {}\n", m_AgentId, session);
    return true;
}

bool CSessionSystem::f_IsLaunchedAgentRunning()
{
    return m_hAgent && WaitForSingleObject(m_hAgent, 0) == WAIT_TIMEOUT;
}

void CSessionSystem::f_EndLaunchedAgent()
{
    if (!m_hAgent)
        return;
    // A hidden agent ends by itself once its pipe is gone; one that does not is ended.
    if (WaitForSingleObject(m_hAgent, gc_AgentEndMilliseconds) == WAIT_TIMEOUT)
        TerminateProcess(m_hAgent, 1);
    CloseHandle(m_hAgent);
    m_hAgent = nullptr;
    m_AgentId = 0;
}
} // namespace NQuillon
