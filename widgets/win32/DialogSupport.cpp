#include "widgets/win32/DialogSupport.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace NQuillon
{
void gf_InitCommonControls()
{
    static const bool done = []
    {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

HINSTANCE gf_GetResourceModule()
{
    return GetModuleHandleA(nullptr);
}

NTev::CStr gf_GetWindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    return NTev::CStr(text.data());
}

namespace
{
// Dialog units to pixels of this dialog (its font at its DPI).
std::int32_t fg_DluX(HWND dialog, int units)
{
    RECT rect{0, 0, units, 0};
    MapDialogRect(dialog, &rect);
    return rect.right;
}
std::int32_t fg_DluY(HWND dialog, int units)
{
    RECT rect{0, 0, 0, units};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}
} // namespace

CInputDialogMetrics gf_GetDialogMetrics(HWND dialog)
{
    CInputDialogMetrics m;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    m.m_TextHeight = tm.tmHeight;
    // The sizes of the platform's dialog guidelines, in dialog units.
    m.m_ControlHeight = std::max<std::int32_t>(fg_DluY(dialog, 14), tm.tmHeight + 8);
    m.m_CheckSize = fg_DluY(dialog, 10);
    m.m_Margin = fg_DluX(dialog, 7);
    m.m_Gap = fg_DluY(dialog, 4);
    m.m_ButtonWidth = fg_DluX(dialog, 50);
    m.m_ButtonHeight = fg_DluY(dialog, 14);
    m.m_MinControlWidth = fg_DluX(dialog, 100);
    m.m_ArrowWidth = GetSystemMetrics(SM_CXVSCROLL) + 4;
    MONITORINFO monitor{sizeof(MONITORINFO)};
    GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    m.m_MaxClientWidth = (monitor.rcWork.right - monitor.rcWork.left) * 9 / 10;
    m.m_MeasureText = [dialog, font](const char* text)
    {
        HDC measureDc = GetDC(dialog);
        HGDIOBJ previous = SelectObject(measureDc, font);
        SIZE size{};
        GetTextExtentPoint32A(measureDc, text, static_cast<int>(std::strlen(text)), &size);
        SelectObject(measureDc, previous);
        ReleaseDC(dialog, measureDc);
        return static_cast<std::int32_t>(size.cx);
    };
    return m;
}

void gf_PlaceControl(HWND control, const CLayoutRect& rect)
{
    SetWindowPos(control, nullptr, rect.m_Left, rect.m_Top, rect.m_Width, rect.m_Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void gf_SizeAndCentre(HWND dialog, std::int32_t clientWidth, std::int32_t clientHeight)
{
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    MONITORINFO monitor{sizeof(MONITORINFO)};
    HWND owner = GetWindow(dialog, GW_OWNER);
    GetMonitorInfoA(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT around = monitor.rcWork;
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &around);
    // Centred on the owner, but never off the work area.
    int left = around.left + ((around.right - around.left) - width) / 2;
    int top = around.top + ((around.bottom - around.top) - height) / 2;
    left = std::clamp<int>(left, monitor.rcWork.left,
                           std::max<int>(monitor.rcWork.left, monitor.rcWork.right - width));
    top = std::clamp<int>(top, monitor.rcWork.top,
                          std::max<int>(monitor.rcWork.top, monitor.rcWork.bottom - height));
    SetWindowPos(dialog, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::int32_t gf_GetTitleClientWidth(HWND dialog)
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, font);
    const NTev::CStr title = gf_GetWindowText(dialog);
    SIZE size{};
    GetTextExtentPoint32A(dc, title.f_GetStr(), static_cast<int>(title.f_GetLen()), &size);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    DeleteObject(font);
    // The icon on the left and the close button on the right share the bar with the title.
    return size.cx + 2 * GetSystemMetrics(SM_CXSIZE) + 3 * GetSystemMetrics(SM_CXSMICON);
}
} // namespace NQuillon
