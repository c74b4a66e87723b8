// A program that crashes on request, for the crash reporter's tests:
//   crash_probe.exe write0|divide|overflow|thread|breakpoint [quiet]
//   crash_probe.exe service NAME     runs as the service NAME and crashes on a thread, quietly
// as the program's service role does. A breakpoint that the user lets continue ends with exit
// code 7; every other way out is a failure of the reporter (exit code 3).

#include "core/CrashMessage.h"
#include "core/Thread.h"

#include <windows.h>

#include <cstring>

namespace
{
constexpr int gc_ExitContinued = 7;
constexpr int gc_ExitNotCrashed = 3;

volatile int g_Zero = 0;
char* volatile g_pNull = nullptr;
const char* g_pMode = "";
SERVICE_STATUS_HANDLE g_ServiceStatus = nullptr;
} // namespace

extern "C" __attribute__((noinline)) void gf_CrashProbe_WriteZero()
{
    *g_pNull = 1;
}

extern "C" __attribute__((noinline)) int gf_CrashProbe_Divide()
{
    return 100 / g_Zero;
}

extern "C" __attribute__((noinline)) int gf_CrashProbe_Recurse(int depth)
{
    volatile char frame[512];
    frame[depth % 512] = static_cast<char>(depth);
    // Always true, but the compiler cannot know.
    if (g_Zero == 0)
        return gf_CrashProbe_Recurse(depth + 1) + frame[0];
    return frame[0];
}

namespace
{
class CCrashingThread final : public NTev::NThread::ICThread
{
public:
    ~CCrashingThread() override { f_Stop(true); }

protected:
    std::uintptr_t f_Run() override
    {
        gf_CrashProbe_WriteZero();
        return 0;
    }
};

void fg_CrashOnThread()
{
    CCrashingThread thread;
    thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    thread.f_Stop(true);
}

void fg_Crash(const char* mode)
{
    if (std::strcmp(mode, "write0") == 0)
        gf_CrashProbe_WriteZero();
    else if (std::strcmp(mode, "divide") == 0)
        gf_CrashProbe_Divide();
    else if (std::strcmp(mode, "overflow") == 0)
        gf_CrashProbe_Recurse(0);
    else if (std::strcmp(mode, "thread") == 0 || std::strcmp(mode, "service") == 0)
        fg_CrashOnThread();
    else if (std::strcmp(mode, "breakpoint") == 0)
    {
        DebugBreak();
        ExitProcess(gc_ExitContinued);
    }
}

void WINAPI fg_ServiceHandler(DWORD) {}

void WINAPI fg_ServiceMain(DWORD, char**)
{
    g_ServiceStatus = RegisterServiceCtrlHandlerA("", &fg_ServiceHandler);
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_RUNNING;
    SetServiceStatus(g_ServiceStatus, &status);
    fg_Crash("service");
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    g_pMode = argv[1];
    if (argc > 2 && std::strcmp(argv[2], "quiet") == 0)
        NTev::NCrash::gf_Crash_GetSettings().m_bQuiet = true;
    // "<mode> quiet inputowner <folder>": as a process that owns input, files in that folder.
    if (argc > 4 && std::strcmp(argv[3], "inputowner") == 0)
    {
        NTev::NCrash::gf_Crash_GetSettings().m_bFullDump = false;
        NTev::NCrash::gf_Crash_GetSettings().m_Directory = argv[4];
    }
    if (std::strcmp(g_pMode, "service") == 0 && argc > 2)
    {
        NTev::NCrash::gf_Crash_GetSettings().m_bQuiet = true;
        SERVICE_TABLE_ENTRYA table[] = {{argv[2], &fg_ServiceMain}, {nullptr, nullptr}};
        StartServiceCtrlDispatcherA(table);
        return gc_ExitNotCrashed;
    }
    fg_Crash(g_pMode);
    return gc_ExitNotCrashed;
}
