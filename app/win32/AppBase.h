#pragma once
// The application base over plain Win32: one object per process, initialised with the
// command line, then a message loop, then the exit step. WinMain hands the process to it.

#include "core/Str.h"

#include <windows.h>

namespace NQuillon
{
class CAppBase
{
public:
    CAppBase() noexcept;
    virtual ~CAppBase();
    CAppBase(const CAppBase&) = delete;
    CAppBase& operator=(const CAppBase&) = delete;

    // The application object of this process, or null.
    static CAppBase* fs_GetCurrent() noexcept;

    // Runs the application: InitInstance, the message loop while it succeeded, ExitInstance.
    // Returns the process's exit code.
    int f_Main(HINSTANCE instance, const char* argumentText);

    // The command line after the program name.
    const NTev::CStr& f_GetArgumentText() const noexcept { return m_ArgumentText; }
    HINSTANCE f_GetInstance() const noexcept { return m_hInstance; }
    // The profile key under the current user's software key ("Maker\Product").
    void f_SetRegistryKey(const char* key) { m_RegistryKey = key; }
    const NTev::CStr& f_GetRegistryKey() const noexcept { return m_RegistryKey; }

    // The window whose end ends the application; null while there is none.
    HWND m_hMainWnd = nullptr;

protected:
    // False ends the process after ExitInstance, without a message loop.
    virtual BOOL InitInstance();
    // Returns the exit code.
    virtual int ExitInstance();
    // Dispatches messages until WM_QUIT; returns its code.
    virtual int f_Run();

    // The exit code ExitInstance returns.
    int m_ExitCode = 0;

private:
    HINSTANCE m_hInstance = nullptr;
    NTev::CStr m_ArgumentText;
    NTev::CStr m_RegistryKey;
};
} // namespace NQuillon
