#include "app/win32/DesktopShell.h"

#include <windows.h>

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cstdio>

namespace NQuillon
{
namespace
{
// Releases a COM interface at the end of its scope.
template <typename t_CInterface>
class TCComPtr
{
public:
    TCComPtr() = default;
    ~TCComPtr()
    {
        if (m_p)
            m_p->Release();
    }
    TCComPtr(const TCComPtr&) = delete;
    TCComPtr& operator=(const TCComPtr&) = delete;
    t_CInterface** f_Out() noexcept { return &m_p; }
    void** f_OutVoid() noexcept { return reinterpret_cast<void**>(&m_p); }
    t_CInterface* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    t_CInterface* f_Get() const noexcept { return m_p; }

private:
    t_CInterface* m_p = nullptr;
};

class CComApartment
{
public:
    CComApartment() : m_Result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_Result))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_Result;
};

class CBstr
{
public:
    explicit CBstr(const std::string& text)
    {
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        m_Bstr = SysAllocStringLen(nullptr, length > 0 ? length - 1 : 0);
        if (m_Bstr && length > 0)
            MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, m_Bstr, length);
    }
    ~CBstr() { SysFreeString(m_Bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR f_Get() const noexcept { return m_Bstr; }

private:
    BSTR m_Bstr = nullptr;
};

VARIANT fg_StringVariant(const CBstr& text)
{
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = text.f_Get();
    return variant;
}

std::string fg_Failure(const char* step, HRESULT result)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%s failed (0x%08lX)", step, static_cast<unsigned long>(result));
    return text;
}
} // namespace

bool gf_StartAsDesktopUser(const std::string& program, const std::string& arguments,
                           const std::string& directory, std::string& failure)
{
    // Session 0 has no desktop a user sees (a deployment running as a service).
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session) || session == 0)
    {
        failure = "no desktop shell: session 0";
        return false;
    }
    CComApartment apartment;
    TCComPtr<IShellWindows> windows;
    HRESULT result = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                      windows.f_OutVoid());
    if (FAILED(result))
    {
        failure = fg_Failure("no desktop shell: CoCreateInstance(ShellWindows)", result);
        return false;
    }
    // The desktop's own window: only the shell of this desktop has one, so a shell program
    // started for this request (as this process's user) never serves it.
    VARIANT location;
    VariantInit(&location);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT root;
    VariantInit(&root);
    long window = 0;
    TCComPtr<IDispatch> desktop;
    result =
        windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, desktop.f_Out());
    if (result != S_OK || !desktop)
    {
        failure = fg_Failure("no desktop shell: FindWindowSW", result);
        return false;
    }
    TCComPtr<IServiceProvider> provider;
    TCComPtr<IShellBrowser> browser;
    TCComPtr<IShellView> view;
    TCComPtr<IDispatch> viewDispatch;
    TCComPtr<IShellFolderViewDual> folderView;
    TCComPtr<IDispatch> application;
    TCComPtr<IShellDispatch2> shell;
    const char* step = "QueryInterface(IServiceProvider)";
    result = desktop->QueryInterface(IID_IServiceProvider, provider.f_OutVoid());
    if (SUCCEEDED(result))
    {
        step = "QueryService(TopLevelBrowser)";
        result = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.f_OutVoid());
    }
    if (SUCCEEDED(result))
    {
        step = "QueryActiveShellView";
        result = browser->QueryActiveShellView(view.f_Out());
    }
    if (SUCCEEDED(result))
    {
        step = "GetItemObject(background)";
        result = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, viewDispatch.f_OutVoid());
    }
    if (SUCCEEDED(result))
    {
        step = "QueryInterface(IShellFolderViewDual)";
        result = viewDispatch->QueryInterface(IID_IShellFolderViewDual, folderView.f_OutVoid());
    }
    if (SUCCEEDED(result))
    {
        step = "get_Application";
        result = folderView->get_Application(application.f_Out());
    }
    if (SUCCEEDED(result))
    {
        step = "QueryInterface(IShellDispatch2)";
        result = application->QueryInterface(IID_IShellDispatch2, shell.f_OutVoid());
    }
    if (SUCCEEDED(result))
    {
        step = "ShellExecute";
        const CBstr file(program);
        const CBstr argumentText(arguments);
        const CBstr folder(directory);
        const CBstr operation("open");
        VARIANT show;
        VariantInit(&show);
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        result = shell->ShellExecute(file.f_Get(), fg_StringVariant(argumentText), fg_StringVariant(folder),
                                     fg_StringVariant(operation), show);
    }
    if (FAILED(result))
    {
        failure = fg_Failure(step, result);
        return false;
    }
    return true;
}
} // namespace NQuillon
