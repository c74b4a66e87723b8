#include "actions/plugins/CtrlAltDelete.h"

#include "core/win32/SystemLibrary.h"

#include <windows.h>

namespace NQuillon
{
bool gf_SendPlatformSecureAttention()
{
    // sas.dll exists from Windows 7 on; it is loaded when needed, so that the program still
    // starts where it is missing.
    using CSendSas = void(WINAPI*)(BOOL asUser);
    static HMODULE library = NTev::NSys::gf_LoadSystemLibrary("sas.dll");
    if (!library)
        return false;
    const auto send =
        reinterpret_cast<CSendSas>(reinterpret_cast<void (*)()>(GetProcAddress(library, "SendSAS")));
    if (!send)
        return false;
    // FALSE: the caller is a service, not a user's process.
    send(FALSE);
    return true;
}
} // namespace NQuillon
