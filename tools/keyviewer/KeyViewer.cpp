// quillon-keyviewer: a window that prints every key it receives, for the demonstration of
// remapping without the filter driver (never shipped). It opens at 100,100 (400 x 300), takes
// the focus, and prints "WM_KEYDOWN B", "WM_CHAR 'b'" and so on, one line each, until Escape
// arrives or the given seconds (default 30) pass. With --times after the seconds, each key-down
// line ends with the performance counter at its arrival (Wine's counter is the host's
// CLOCK_MONOTONIC_RAW in 100 ns units, so a host program's send times compare with it).

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
bool g_bTimes = false;

void fg_Print(const char* name, WPARAM key)
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        std::printf("%-13s %c", name, static_cast<char>(key));
    else
        std::printf("%-13s vk 0x%02X", name, static_cast<unsigned>(key));
    if (g_bTimes)
        std::printf(" %lld", static_cast<long long>(now.QuadPart));
    std::printf("\n");
    std::fflush(stdout);
}

LRESULT CALLBACK fg_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            fg_Print((lParam & (1 << 30)) ? "WM_KEYDOWN (repeat)" : "WM_KEYDOWN", wParam);
            if (wParam == VK_ESCAPE)
                PostQuitMessage(0);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            fg_Print("WM_KEYUP", wParam);
            return 0;
        case WM_CHAR:
            if (wParam >= 0x20 && wParam < 0x7F)
                std::printf("%-13s '%c'\n", "WM_CHAR", static_cast<char>(wParam));
            else
                std::printf("%-13s 0x%02X\n", "WM_CHAR", static_cast<unsigned>(wParam));
            std::fflush(stdout);
            return 0;
        case WM_SYSCOMMAND:
            // A lone Alt would enter menu mode and eat the keys after it.
            if ((wParam & 0xFFF0) == SC_KEYMENU)
                return 0;
            break;
        case WM_TIMER:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int main(int argc, char** argv)
{
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 30;
    g_bTimes = argc > 2 && std::strcmp(argv[2], "--times") == 0;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = fg_Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuillonKeyViewer";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Quillon key viewer", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        100, 100, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    SetForegroundWindow(window);
    SetTimer(window, 1, static_cast<UINT>(seconds > 0 ? seconds * 1000 : 30000), nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
    return 0;
}
