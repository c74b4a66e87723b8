#include "widgets/win32/MessageBox.h"

namespace NQuillon
{
void gf_ShowError(HWND owner, const char* text, const char* title)
{
    MessageBoxA(owner, text, title, MB_OK | MB_ICONERROR);
}

bool gf_AskYesNo(HWND owner, const char* text, const char* title)
{
    return MessageBoxA(owner, text, title, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}
} // namespace NQuillon
