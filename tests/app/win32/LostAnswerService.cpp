// A service whose process ends before it answers the stop control: the control handler reports
// the stop and then lingers, so that the dispatcher's return (and the process's end) comes
// first. Wine's control dispatcher runs on a thread of its own and loses this race now and
// then on its own; here it loses it every time.
//   LostAnswerService.exe NAME

#include <windows.h>

namespace
{
constexpr DWORD gc_LingerMilliseconds = 1000;

const char* g_pName = "";
SERVICE_STATUS_HANDLE g_hStatus = nullptr;
SERVICE_STATUS g_Status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};

void WINAPI fg_Control(DWORD control)
{
    if (control == SERVICE_CONTROL_STOP)
    {
        g_Status.dwCurrentState = SERVICE_STOPPED;
        SetServiceStatus(g_hStatus, &g_Status);
        Sleep(gc_LingerMilliseconds);
        return;
    }
    SetServiceStatus(g_hStatus, &g_Status);
}

void WINAPI fg_ServiceMain(DWORD, LPSTR*)
{
    g_hStatus = RegisterServiceCtrlHandlerA(g_pName, &fg_Control);
    if (!g_hStatus)
        return;
    g_Status.dwCurrentState = SERVICE_RUNNING;
    SetServiceStatus(g_hStatus, &g_Status);
}
} // namespace

int main(int argumentCount, char** arguments)
{
    if (argumentCount != 2)
        return 2;
    g_pName = arguments[1];
    SERVICE_TABLE_ENTRYA table[2] = {{arguments[1], &fg_ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
