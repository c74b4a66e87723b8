// Windows error texts and the error message boxes.

#include "core/ErrorText.h"

#include "core/Format.h"

#include <cstdio>
#include <windows.h>

namespace NTev::NException
{
NStr::CFStr256 gf_GetErrorText(unsigned long code)
{
    if (code == 0)
        code = GetLastError();
    NStr::CFStr256 text;
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, 1024, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || !buffer)
    {
        gf_Format(text, "0x{nfh,sj8,sf0}", static_cast<std::uint32_t>(code));
        return text;
    }
    // Texts are 8-bit: each UTF-16 unit is narrowed to its low byte.
    char* out = text.f_GetBuffer();
    DWORD n = length < 255 ? length : 255;
    for (DWORD i = 0; i < n; ++i)
        out[i] = static_cast<char>(buffer[i] & 0xFF);
    text.f_SetLen(n);
    LocalFree(buffer);
    return text;
}

unsigned long gf_GetLastErrorCode() noexcept
{
    return GetLastError();
}

bool gf_IsSharingViolation(unsigned long code) noexcept
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
}

void gf_ErrorBox(const char* caption, const char* text) noexcept
{
    UINT style = MB_OK | MB_ICONHAND;
    HWND owner = nullptr;
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    bool visible = station && GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) &&
                   (flags.dwFlags & WSF_VISIBLE);
    if (visible)
    {
        if (HWND active = GetActiveWindow())
            owner = GetLastActivePopup(active);
    }
    else
    {
        // A service without a visible window station: the box goes to the interactive desktop.
        OSVERSIONINFOW version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        GetVersionExW(&version);
        style |= version.dwMajorVersion >= 4 ? 0x200000u : 0x40000u;
    }
    MessageBoxA(owner, text, caption, style);
}

[[noreturn]] void gf_FatalError(const char* text) noexcept
{
    gf_ErrorBox("Fatal Error", text);
    if (HMODULE clr = GetModuleHandleA("mscoree.dll"))
    {
        using TCorExitProcess = void(WINAPI*)(int);
        if (auto corExit = reinterpret_cast<TCorExitProcess>(
                reinterpret_cast<void (*)()>(GetProcAddress(clr, "CorExitProcess"))))
            corExit(255);
    }
    ExitProcess(255);
}

void gf_ShowLastError() noexcept
{
    DWORD code = GetLastError();
    if (code == 0)
        return;
    char* buffer = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, 1024, reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length && buffer)
    {
        MessageBoxA(nullptr, buffer, "Error", MB_ICONINFORMATION);
        LocalFree(buffer);
        return;
    }
    char text[64];
    std::snprintf(text, sizeof(text), "Error message 0x%lx not found", static_cast<unsigned long>(code));
    MessageBoxA(nullptr, text, "Error", MB_ICONINFORMATION);
}
} // namespace NTev::NException
