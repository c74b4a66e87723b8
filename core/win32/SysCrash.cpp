#include "core/SysCrash.h"

#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/CrashFiles.h"
#include "core/CrashLog.h"
#include "core/CrashMessage.h"
#include "core/Format.h"
#include "core/SysFolderAccess.h"
#include "core/win32/DbgHelp.h"

#include <windows.h>

#include <vector>

namespace NTev::NSys
{
namespace
{
constexpr MINIDUMP_TYPE gc_MiniDumpType = static_cast<MINIDUMP_TYPE>(0x144);
constexpr MINIDUMP_TYPE gc_FullDumpType = static_cast<MINIDUMP_TYPE>(0x367);
// The mini dump holds threads, stacks and what they point at, never all memory.
static_assert(!(gc_MiniDumpType &
                (MiniDumpWithFullMemory | MiniDumpWithPrivateReadWriteMemory | MiniDumpWithFullMemoryInfo)),
              "the mini dump must not hold all memory");

LPTOP_LEVEL_EXCEPTION_FILTER g_PreviousFilter = nullptr;
// Windows 8 and later; looked up at start-up, so that a crash needs no more than the call.
using FGetCurrentThreadStackLimits = VOID(WINAPI*)(PULONG_PTR, PULONG_PTR);
FGetCurrentThreadStackLimits g_pGetCurrentThreadStackLimits = nullptr;
// Set while a report is written: a second thread that crashes meanwhile waits for the end.
volatile LONG g_Reporting = 0;
// The thread that writes the report: a crash of its own ends the process at once.
volatile DWORD g_ReportThreadId = 0;
// Stack kept for the filter when a thread overflows its stack: enough to start the report's
// thread and wait for it.
constexpr ULONG gc_StackGuarantee = 64 * 1024;

struct CCrashJob
{
    EXCEPTION_POINTERS* m_pPointers;
    DWORD m_ThreadId;
    NCrash::CStackBounds m_Bounds;
    LONG m_Result;
};

// Reads the process's own memory without faulting.
class CProcessMemory final : public NCrash::ICCrashMemory
{
public:
    bool f_Read(std::uint64_t address, void* buffer, std::size_t size) override
    {
        SIZE_T read = 0;
        return address <= UINTPTR_MAX - size &&
               ReadProcessMemory(GetCurrentProcess(),
                                 reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)), buffer,
                                 size, &read) &&
               read == size;
    }
};

// The calling thread's stack: the system's own limits, else the reservation that holds the
// stack pointer.
NCrash::CStackBounds fg_StackBounds() noexcept
{
    NCrash::CStackBounds bounds;
    if (g_pGetCurrentThreadStackLimits)
    {
        ULONG_PTR low = 0;
        ULONG_PTR high = 0;
        g_pGetCurrentThreadStackLimits(&low, &high);
        bounds.m_Start = high;
        bounds.m_End = low;
        return bounds;
    }
    MEMORY_BASIC_INFORMATION region = {};
    VirtualQuery(&region, &region, sizeof(region));
    const void* allocation = region.AllocationBase;
    bounds.m_End = reinterpret_cast<std::uintptr_t>(allocation);
    auto* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    while (VirtualQuery(next, &region, sizeof(region)) == sizeof(region) &&
           region.AllocationBase == allocation)
        next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    bounds.m_Start = reinterpret_cast<std::uintptr_t>(next);
    return bounds;
}

bool fg_Has(DWORD flags, DWORD section) noexcept
{
    return (flags & section) == section;
}

NCrash::CCrashContext fg_Capture(const CONTEXT& context)
{
    NCrash::CCrashContext captured;
    captured.m_bInteger = fg_Has(context.ContextFlags, CONTEXT_INTEGER);
    captured.m_bControl = fg_Has(context.ContextFlags, CONTEXT_CONTROL);
    captured.m_bDebug = fg_Has(context.ContextFlags, CONTEXT_DEBUG_REGISTERS);
#if defined(_WIN64)
    captured.m_Arch = NCrash::EArch::X64;
    const DWORD64 integer[] = {context.Rdi, context.Rsi, context.Rax, context.Rbx, context.Rcx,
                               context.Rdx, context.R8,  context.R9,  context.R10, context.R11,
                               context.R12, context.R13, context.R14, context.R15};
    const DWORD64 control[] = {context.Rip,   context.Rbp,   context.Rsp,
                               context.SegCs, context.SegSs, context.EFlags};
#else
    captured.m_Arch = NCrash::EArch::X86;
    const DWORD integer[] = {context.Edi, context.Esi, context.Eax, context.Ebx, context.Ecx, context.Edx};
    const DWORD control[] = {context.Eip,   context.Ebp,   context.Esp,
                             context.SegCs, context.SegSs, context.EFlags};
#endif
    const std::uint64_t debug[] = {context.Dr0, context.Dr1, context.Dr2,
                                   context.Dr3, context.Dr6, context.Dr7};
    for (std::size_t i = 0; i < sizeof(integer) / sizeof(integer[0]); ++i)
        captured.m_Integer[i] = integer[i];
    for (std::size_t i = 0; i < 6; ++i)
    {
        captured.m_Control[i] = control[i];
        captured.m_Debug[i] = debug[i];
    }
    return captured;
}

NCrash::CCrashException fg_Capture(const EXCEPTION_RECORD& record)
{
    NCrash::CCrashException exception;
    exception.m_Code = record.ExceptionCode;
    exception.m_Address = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
    exception.m_nParameters = record.NumberParameters < 15 ? record.NumberParameters : 15;
    for (std::uint32_t i = 0; i < exception.m_nParameters; ++i)
        exception.m_Parameters[i] = record.ExceptionInformation[i];
    return exception;
}

#if defined(_WIN64)
// The walk by the unwind data every x64 function has: x64 code (ours included) does not keep a
// chain of frame pointers. Each frame shows its stack pointer.
std::vector<NCrash::CCrashFrame> fg_Unwind(const CONTEXT& start, const NCrash::CStackBounds& bounds,
                                           NCrash::ICCrashMemory& memory)
{
    std::vector<NCrash::CCrashFrame> frames;
    CONTEXT context = start;
    for (int i = 0; i < 1024 && context.Rip != 0; ++i)
    {
        if (context.Rsp < bounds.m_End || context.Rsp + 8 > bounds.m_Start)
            break;
        frames.push_back({context.Rip, context.Rsp});
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (function)
        {
            void* handlerData = nullptr;
            DWORD64 establisherFrame = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                             &establisherFrame, nullptr);
        }
        else
        {
            // A leaf function: the return address is at the stack pointer.
            DWORD64 returnAddress = 0;
            if (!memory.f_Read(context.Rsp, &returnAddress, sizeof(returnAddress)))
                break;
            context.Rip = returnAddress;
            context.Rsp += 8;
        }
        if (context.Rsp <= frames.back().m_Frame)
            break;
    }
    return frames;
}
#endif

// Creates or replaces a crash file; a file that cannot be created is skipped.
HANDLE fg_CreateFile(const NStr::CStr& path)
{
    HANDLE file = CreateFileA(path.f_GetStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        gf_DebugOutput("Crash report: cannot create {}: error {}\n", path,
                       static_cast<std::uint32_t>(GetLastError()));
    return file;
}

void fg_WriteDump(CDbgHelp& dbgHelp, const NStr::CStr& path, MINIDUMP_TYPE type, CCrashJob& job)
{
    HANDLE file = fg_CreateFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    MINIDUMP_EXCEPTION_INFORMATION exception = {};
    exception.ThreadId = job.m_ThreadId;
    exception.ExceptionPointers = job.m_pPointers;
    exception.ClientPointers = FALSE;
    if (!dbgHelp.f_WriteDump(file, type, exception))
        gf_DebugOutput("Crash report: MiniDumpWriteDump failed for {}: error {}\n", path,
                       static_cast<std::uint32_t>(GetLastError()));
    CloseHandle(file);
}

void fg_WriteLog(const NStr::CStr& path, const NStr::CStr& log)
{
    HANDLE file = fg_CreateFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, log.f_GetStr(), static_cast<DWORD>(log.f_GetLen()), &written, nullptr);
    CloseHandle(file);
}

void fg_Report(CCrashJob& job)
{
    EXCEPTION_RECORD& record = *job.m_pPointers->ExceptionRecord;
    CONTEXT& context = *job.m_pPointers->ContextRecord;
    const NCrash::CCrashStamp stamp = NCrash::gf_Crash_Stamp(gf_GetTime(), gf_GetLocalTimeOffset());
    const NCrash::CCrashSettings& settings = NCrash::gf_Crash_GetSettings();
    NStr::CStr directory = settings.m_Directory;
    if (directory.f_IsEmpty())
        directory = NFile::gf_GetProgramDirectory();
    else
        NFolderAccess::gf_MakeFolder(directory.f_GetStr());
    const NCrash::CCrashFiles files = NCrash::gf_Crash_Files(directory.f_GetStr(), stamp);

    // The log first: it is small and says the most, and a dump of a damaged process may fail
    // or take long (a full dump under Wine writes hundreds of megabytes).
    CDbgHelp& dbgHelp = CDbgHelp::fs_Get();
    CProcessMemory memory;
    std::vector<NCrash::CCrashFrame> frames;
    std::vector<NCrash::CCrashFrame>* unwound = nullptr;
#if defined(_WIN64)
    try
    {
        frames = fg_Unwind(context, job.m_Bounds, memory);
        unwound = &frames;
    }
    catch (...)
    {
    }
#endif
    const NStr::CStr log = NCrash::gf_Crash_BuildLog(fg_Capture(record), fg_Capture(context), job.m_Bounds,
                                                     memory, &dbgHelp, unwound);
    if (!settings.m_bNoFiles)
        fg_WriteLog(files.m_Log, log);

    if (!settings.m_bNoFiles && dbgHelp.f_CanWriteDumps())
    {
        fg_WriteDump(dbgHelp, files.m_MiniDump, gc_MiniDumpType, job);
        if (settings.m_bFullDump)
            fg_WriteDump(dbgHelp, files.m_FullDump, gc_FullDumpType, job);
    }

    if (!settings.m_bQuiet)
    {
        const bool breakpoint = record.ExceptionCode == NCrash::gc_ExceptionBreakpoint &&
                                !(record.ExceptionFlags & EXCEPTION_NONCONTINUABLE);
        const NStr::CStr text = NCrash::gf_Crash_UserMessage(settings, files, breakpoint);
        const int answer = MessageBoxA(nullptr, text.f_GetStr(), "Exception",
                                       breakpoint ? MB_ICONERROR | MB_YESNO : MB_ICONERROR);
        if (breakpoint && answer == IDYES)
        {
#if defined(_WIN64)
            context.Rip += 1;
#else
            context.Eip += 1;
#endif
            job.m_Result = EXCEPTION_CONTINUE_EXECUTION;
            return;
        }
    }
    TerminateProcess(GetCurrentProcess(), 0);
}

DWORD WINAPI fg_ReportThread(void* parameter)
{
    auto& job = *static_cast<CCrashJob*>(parameter);
    g_ReportThreadId = GetCurrentThreadId();
    try
    {
        fg_Report(job);
    }
    catch (...)
    {
        // Whatever failed, the process must not live on after a crash it cannot report.
        TerminateProcess(GetCurrentProcess(), 0);
    }
    return 0;
}

LONG WINAPI fg_Filter(EXCEPTION_POINTERS* pointers)
{
    // The crashing thread may have almost no stack left (a stack overflow): everything but
    // reading its bounds runs on a thread of its own.
    if (GetCurrentThreadId() == g_ReportThreadId)
        TerminateProcess(GetCurrentProcess(), 0);
    while (InterlockedCompareExchange(&g_Reporting, 1, 0) != 0)
        Sleep(10);
    CCrashJob job{pointers, GetCurrentThreadId(), fg_StackBounds(), EXCEPTION_CONTINUE_SEARCH};
    HANDLE thread = CreateThread(nullptr, 0, &fg_ReportThread, &job, 0, nullptr);
    if (thread)
    {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    else
        fg_ReportThread(&job);
    g_ReportThreadId = 0;
    InterlockedExchange(&g_Reporting, 0);
    return job.m_Result;
}
} // namespace

void gf_Crash_Install() noexcept
{
    static bool s_bInstalled = false;
    if (s_bInstalled)
        return;
    s_bInstalled = true;
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll"))
        g_pGetCurrentThreadStackLimits = reinterpret_cast<FGetCurrentThreadStackLimits>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetCurrentThreadStackLimits")));
    g_PreviousFilter = SetUnhandledExceptionFilter(&fg_Filter);
    gf_Crash_PrepareThread();
}

void gf_Crash_PrepareThread() noexcept
{
    ULONG guarantee = gc_StackGuarantee;
    SetThreadStackGuarantee(&guarantee);
}
} // namespace NTev::NSys
