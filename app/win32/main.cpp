// The program's entry: the application object is built during static initialisation, with
// its engine, and WinMain hands the process to it.

#include "app/CommandLineRole.h"
#include "app/win32/QuillonApp.h"

#include <windows.h>

namespace
{
NQuillon::CQuillonApp g_App;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The argument text is taken from the whole command line here, the same way on every
    // runtime.
    const NTev::CStr arguments = NQuillon::gf_GetArgumentText(GetCommandLineA());
    return g_App.f_Main(instance, arguments.f_GetStr());
}
