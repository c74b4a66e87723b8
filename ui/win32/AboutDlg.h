#pragma once
// The about box: "About Quillon", the program's icon and version, OK.

#include <windows.h>

namespace NQuillon
{
class CAboutDlg
{
public:
    static constexpr const char* mc_Title = "About Quillon";
    static constexpr const char* mc_Text = "Quillon Version 0.1A";

    // Shows it modally over owner.
    static void fs_DoModal(HWND owner);
};
} // namespace NQuillon
