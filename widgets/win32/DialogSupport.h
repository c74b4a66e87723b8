#pragma once
// What every dialog window of the toolkit shares: the common controls, texts, sizes from the
// dialog's font, placing and centring.

#include "core/Str.h"
#include "widgets/InputDialogLayout.h"

#include <windows.h>

namespace NQuillon
{
// Registers the common controls once per process (visual styles come from the manifest).
void gf_InitCommonControls();

// The module whose resources hold the dialog templates: the program itself.
HINSTANCE gf_GetResourceModule();

NTev::CStr gf_GetWindowText(HWND window);

// The dialog's font and the system's control sizes in pixels, at the dialog's DPI.
CInputDialogMetrics gf_GetDialogMetrics(HWND dialog);

void gf_PlaceControl(HWND control, const CLayoutRect& rect);
// Gives the dialog this client size and centres it on its owner (on the work area without one).
void gf_SizeAndCentre(HWND dialog, std::int32_t clientWidth, std::int32_t clientHeight);
// The client width the title needs so that it shows whole in the caption bar.
std::int32_t gf_GetTitleClientWidth(HWND dialog);
} // namespace NQuillon
