#pragma once
// DbgHelp, loaded from System32 on the first crash: symbols and source lines of code addresses
// (cached per address) and minidumps. Without it a report has bare addresses and no dumps.

#include "core/CrashLog.h"
#include "core/Mutual.h"

#include <windows.h>

#include <dbghelp.h>

#include <cstdint>
#include <map>

namespace NTev::NSys
{
class CDbgHelp final : public NCrash::ICCrashSymbols
{
public:
    // The process's one binding, loaded on the first call.
    static CDbgHelp& fs_Get();

    bool f_CanWriteDumps() const noexcept { return m_pMiniDumpWriteDump != nullptr; }
    // Writes a dump of the process to file; false on failure.
    bool f_WriteDump(HANDLE file, MINIDUMP_TYPE type, MINIDUMP_EXCEPTION_INFORMATION& exception);
    bool f_Lookup(std::uint64_t address, NCrash::CCrashSymbol& symbol) override;

private:
    CDbgHelp();
    ~CDbgHelp() = delete;
    void fp_Load();
    bool fp_LookupUncached(std::uint64_t address, NCrash::CCrashSymbol& symbol);

    using FSymInitialize = BOOL(WINAPI*)(HANDLE, PCSTR, BOOL);
    using FSymCleanup = BOOL(WINAPI*)(HANDLE);
    using FSymGetSymFromAddr64 = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD64, PIMAGEHLP_SYMBOL64);
    using FSymGetLineFromAddr64 = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD, PIMAGEHLP_LINE64);
    using FSymGetModuleInfo64 = BOOL(WINAPI*)(HANDLE, DWORD64, PIMAGEHLP_MODULE64);
    using FMiniDumpWriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                             PMINIDUMP_EXCEPTION_INFORMATION,
                                             PMINIDUMP_USER_STREAM_INFORMATION,
                                             PMINIDUMP_CALLBACK_INFORMATION);

    HMODULE m_Library = nullptr;
    HANDLE m_Process = nullptr;
    bool m_bSymbols = false;
    FSymInitialize m_pSymInitialize = nullptr;
    FSymCleanup m_pSymCleanup = nullptr;
    FSymGetSymFromAddr64 m_pSymGetSymFromAddr64 = nullptr;
    FSymGetLineFromAddr64 m_pSymGetLineFromAddr64 = nullptr;
    FSymGetModuleInfo64 m_pSymGetModuleInfo64 = nullptr;
    FMiniDumpWriteDump m_pMiniDumpWriteDump = nullptr;

    // Guards the cache and the DbgHelp calls, which are not thread-safe.
    CMutual m_Lock;
    std::map<std::uint64_t, std::pair<bool, NCrash::CCrashSymbol>> m_Cache;
};
} // namespace NTev::NSys
