#pragma once
// Message boxes of the configuration dialogs, owned by the dialog that raised them so that
// they stay in front of it and block it.

#include <windows.h>

namespace NQuillon
{
// An error the user caused: "You must provide a name", titled "Error".
void gf_ShowError(HWND owner, const char* text, const char* title = "Error");
// A question answered Yes or No: true for Yes.
bool gf_AskYesNo(HWND owner, const char* text, const char* title);
} // namespace NQuillon
