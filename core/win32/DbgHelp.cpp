#include "core/win32/DbgHelp.h"

#include "core/CommandLine.h"
#include "core/Format.h"
#include "core/win32/SystemLibrary.h"

#include <new>

namespace NTev::NSys
{
namespace
{
constexpr DWORD gc_MaxSymbolName = 4096;

// Static storage: the binding lives until TerminateProcess.
alignas(CDbgHelp) unsigned char g_Storage[sizeof(CDbgHelp)];

// The program directory alone: a symbol file or symbol server cache in a folder users may write
// would be read by the service.
NStr::CStr fg_SearchPath()
{
    return NFile::gf_GetProgramDirectory();
}

template <typename t_CFunction>
bool fg_Find(HMODULE library, const char* name, t_CFunction& function)
{
    function = reinterpret_cast<t_CFunction>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}
} // namespace

CDbgHelp& CDbgHelp::fs_Get()
{
    static CDbgHelp* s_pDbgHelp = new (g_Storage) CDbgHelp();
    return *s_pDbgHelp;
}

CDbgHelp::CDbgHelp()
{
    fp_Load();
}

void CDbgHelp::fp_Load()
{
    m_Library = gf_LoadSystemLibrary("dbghelp.dll");
    if (!m_Library)
    {
        gf_DebugOutput("StackTrace: Failed to load DbgHelp.dll\n");
        return;
    }
    const bool found = fg_Find(m_Library, "SymInitialize", m_pSymInitialize) &&
                       fg_Find(m_Library, "SymCleanup", m_pSymCleanup) &&
                       fg_Find(m_Library, "SymGetSymFromAddr64", m_pSymGetSymFromAddr64) &&
                       fg_Find(m_Library, "SymGetLineFromAddr64", m_pSymGetLineFromAddr64) &&
                       fg_Find(m_Library, "SymGetModuleInfo64", m_pSymGetModuleInfo64) &&
                       fg_Find(m_Library, "MiniDumpWriteDump", m_pMiniDumpWriteDump);
    if (!found)
    {
        gf_DebugOutput("StackTrace: DbgHelp.dll does not contain the needed functions\n");
        m_pMiniDumpWriteDump = nullptr;
        FreeLibrary(m_Library);
        m_Library = nullptr;
        return;
    }
    // Source lines are loaded only when asked for, and a module's symbols only when one of its
    // addresses is looked up: loading every module's at once makes the report slow and its
    // memory, which the full dump then holds, large. The option function is looked up on its
    // own, as a DbgHelp without it still gives symbols and dumps.
    using FSymSetOptions = DWORD(WINAPI*)(DWORD);
    using FSymGetOptions = DWORD(WINAPI*)();
    FSymSetOptions setOptions = nullptr;
    FSymGetOptions getOptions = nullptr;
    if (fg_Find(m_Library, "SymSetOptions", setOptions) && fg_Find(m_Library, "SymGetOptions", getOptions))
        setOptions(getOptions() | SYMOPT_LOAD_LINES | SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
    m_Process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId());
    const NStr::CStr searchPath = fg_SearchPath();
    m_bSymbols = m_Process && m_pSymInitialize(m_Process, searchPath.f_GetStr(), TRUE);
    if (!m_bSymbols)
        gf_DebugOutput("StackTrace: SymInitialize failed\n");
    // Dumps need a process handle; without one of our own the pseudo handle serves.
    if (!m_Process)
        m_Process = GetCurrentProcess();
}

bool CDbgHelp::f_WriteDump(HANDLE file, MINIDUMP_TYPE type, MINIDUMP_EXCEPTION_INFORMATION& exception)
{
    if (!m_pMiniDumpWriteDump)
        return false;
    TCMutualLock lock(m_Lock);
    return m_pMiniDumpWriteDump(m_Process, GetCurrentProcessId(), file, type, &exception, nullptr, nullptr);
}

bool CDbgHelp::f_Lookup(std::uint64_t address, NCrash::CCrashSymbol& symbol)
{
    if (!m_bSymbols)
        return false;
    TCMutualLock lock(m_Lock);
    auto found = m_Cache.find(address);
    if (found == m_Cache.end())
    {
        NCrash::CCrashSymbol looked;
        const bool known = fp_LookupUncached(address, looked);
        found = m_Cache.emplace(address, std::make_pair(known, looked)).first;
    }
    symbol = found->second.second;
    return found->second.first;
}

bool CDbgHelp::fp_LookupUncached(std::uint64_t address, NCrash::CCrashSymbol& symbol)
{
    alignas(
        IMAGEHLP_SYMBOL64) static unsigned char s_SymbolBuffer[sizeof(IMAGEHLP_SYMBOL64) + gc_MaxSymbolName];
    auto* record = reinterpret_cast<IMAGEHLP_SYMBOL64*>(s_SymbolBuffer);
    ZeroMemory(s_SymbolBuffer, sizeof(s_SymbolBuffer));
    record->SizeOfStruct = sizeof(IMAGEHLP_SYMBOL64);
    record->MaxNameLength = gc_MaxSymbolName;
    DWORD64 displacement = 0;
    if (!m_pSymGetSymFromAddr64(m_Process, address, &displacement, record))
        return false;
    IMAGEHLP_MODULE64 module = {};
    module.SizeOfStruct = sizeof(module);
    if (!m_pSymGetModuleInfo64(m_Process, address, &module))
        return false;
    symbol.m_Name = NStr::CStr(record->Name, strnlen(record->Name, gc_MaxSymbolName));
    symbol.m_Module = NStr::CStr(module.ModuleName, strnlen(module.ModuleName, sizeof(module.ModuleName)));
    IMAGEHLP_LINE64 line = {};
    line.SizeOfStruct = sizeof(line);
    DWORD lineDisplacement = 0;
    if (m_pSymGetLineFromAddr64(m_Process, address, &lineDisplacement, &line) && line.FileName)
    {
        symbol.m_File = line.FileName;
        symbol.m_Line = line.LineNumber;
    }
    return true;
}
} // namespace NTev::NSys
