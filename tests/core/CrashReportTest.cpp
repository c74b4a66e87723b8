#include "core/CrashFiles.h"
#include "core/CrashLog.h"
#include "core/CrashMessage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace NTev::NCrash;
using NTev::CTime;

namespace
{
// Windows file times (100 ns since 1601-01-01, universal).
constexpr std::uint64_t gc_March7th2006 = 127861959020450000ull;   // 2006-03-07 09:05:02.045
constexpr std::uint64_t gc_LastMsOf2025 = 134116991999990000ull;   // 2025-12-31 23:59:59.999
constexpr std::uint64_t gc_NewYear2026Utc = 134117027999990000ull; // 2026-01-01 00:59:59.999
constexpr std::uint64_t gc_LeapDay2024 = 133536816000000000ull;    // 2024-02-29 12:00:00.000

std::string fg_LogName(std::uint64_t fileTime, std::int64_t localOffset)
{
    return gf_Crash_Files("C:/Quillon", gf_Crash_Stamp(CTime::fs_FromFileTime(fileTime), localOffset))
        .m_Log.f_GetStr();
}

// Memory of a fake stack at a fixed address.
class CFakeMemory final : public ICCrashMemory
{
public:
    CFakeMemory(std::uint64_t base, std::size_t size) : m_Base(base), m_Bytes(size) {}
    void f_PutWord(std::uint64_t address, std::uint64_t value, std::size_t size = 8)
    {
        std::memcpy(m_Bytes.data() + (address - m_Base), &value, size);
    }
    bool f_Read(std::uint64_t address, void* buffer, std::size_t size) override
    {
        if (address < m_Base || address + size > m_Base + m_Bytes.size())
            return false;
        std::memcpy(buffer, m_Bytes.data() + (address - m_Base), size);
        return true;
    }
    std::uint64_t m_Base;
    std::vector<std::uint8_t> m_Bytes;
};

class CFakeSymbols final : public ICCrashSymbols
{
public:
    bool f_Lookup(std::uint64_t address, CCrashSymbol& symbol) override
    {
        auto found = m_Symbols.find(address);
        if (found == m_Symbols.end())
            return false;
        symbol = found->second;
        return true;
    }
    std::map<std::uint64_t, CCrashSymbol> m_Symbols;
};

CCrashSymbol fg_Symbol(const char* name, const char* file, std::uint32_t line)
{
    CCrashSymbol symbol;
    symbol.m_Module = "Quillon.x64";
    symbol.m_Name = name;
    symbol.m_File = file;
    symbol.m_Line = line;
    return symbol;
}
} // namespace

TEST(CrashFiles, NamedFromTheLocalTimeToTheMillisecond)
{
    EXPECT_EQ(fg_LogName(gc_March7th2006, 0), "C:/Quillon/CrashLog_2006-03-07_09.05.02.045.txt");
    EXPECT_EQ(fg_LogName(gc_LastMsOf2025, 0), "C:/Quillon/CrashLog_2025-12-31_23.59.59.999.txt");
    // One hour west of universal time, New Year's first hour is still the old year.
    EXPECT_EQ(fg_LogName(gc_NewYear2026Utc, -3600), "C:/Quillon/CrashLog_2025-12-31_23.59.59.999.txt");
    EXPECT_EQ(fg_LogName(gc_March7th2006, 3 * 3600), "C:/Quillon/CrashLog_2006-03-07_12.05.02.045.txt");
    EXPECT_EQ(fg_LogName(gc_LeapDay2024, 0), "C:/Quillon/CrashLog_2024-02-29_12.00.00.000.txt");
    EXPECT_EQ(fg_LogName(0, 0), "C:/Quillon/CrashLog_1601-01-01_00.00.00.000.txt");
}

TEST(CrashFiles, DumpsShareTheLogsStamp)
{
    const CCrashFiles files =
        gf_Crash_Files("D:/p", gf_Crash_Stamp(CTime::fs_FromFileTime(gc_March7th2006), 0));
    EXPECT_STREQ(files.m_MiniDump.f_GetStr(), "D:/p/MiniDump_2006-03-07_09.05.02.045.dmp");
    EXPECT_STREQ(files.m_FullDump.f_GetStr(), "D:/p/FullDump_2006-03-07_09.05.02.045.dmp");
}

TEST(CrashLog, ExceptionNames)
{
    struct CCase
    {
        std::uint32_t m_Code;
        const char* m_pName;
    };
    // The ends of the table, a text kept as it stands, and a code it lacks.
    const CCase cases[] = {
        {0x80000002, "Datatype misalignment"},
        {0xC0000094, "Integer divide by zero"},
        {0xC0000096, "Priviledged instruction"},
        {0xC00000FD, "Stack overflow"},
        {0xE06D7363, "Unknown"},
    };
    for (const CCase& test : cases)
    {
        CCrashException exception;
        exception.m_Code = test.m_Code;
        EXPECT_STREQ(gf_Crash_ExceptionName(exception, EArch::X64).f_GetStr(), test.m_pName)
            << std::hex << test.m_Code;
    }
}

TEST(CrashLog, AccessViolationSaysReadOrWriteAndTheAddress)
{
    CCrashException exception;
    exception.m_Code = gc_ExceptionAccessViolation;
    exception.m_nParameters = 2;
    exception.m_Parameters[0] = 1;
    EXPECT_STREQ(gf_Crash_ExceptionName(exception, EArch::X64).f_GetStr(),
                 "Access violation trying to write to address: 0x0000000000000000");
    exception.m_Parameters[0] = 0;
    exception.m_Parameters[1] = 0xDEADBEEF;
    EXPECT_STREQ(gf_Crash_ExceptionName(exception, EArch::X64).f_GetStr(),
                 "Access violation trying to read to address: 0x00000000deadbeef");
    EXPECT_STREQ(gf_Crash_ExceptionName(exception, EArch::X86).f_GetStr(),
                 "Access violation trying to read to address: 0xdeadbeef");
}

TEST(CrashLog, ExceptionAddressWithSymbolOrBare)
{
    CFakeSymbols symbols;
    symbols.m_Symbols[0x140001234] = fg_Symbol("gf_Crash", "a.cpp", 3);
    NTev::CStr log;
    gf_Crash_AppendExceptionAddress(log, 0x140001234, EArch::X64, &symbols);
    gf_Crash_AppendExceptionAddress(log, 0x140009999, EArch::X64, &symbols);
    gf_Crash_AppendExceptionAddress(log, 0x401000, EArch::X86, nullptr);
    EXPECT_STREQ(log.f_GetStr(), "Exception address: 0x0000000140001234 (Quillon.x64!gf_Crash)\n\n"
                                 "Exception address: 0x0000000140009999\n\n"
                                 "Exception address: 0x00401000\n\n");
}

TEST(CrashLog, RegisterSectionsOfX64)
{
    CCrashContext context;
    context.m_bInteger = context.m_bControl = context.m_bDebug = true;
    for (int i = 0; i < 14; ++i)
        context.m_Integer[i] = 0x100 + i;
    const std::uint64_t control[] = {0x7ff612345678, 0x22f0, 0x22c8, 0x33, 0x2b, 0x10246};
    std::copy(std::begin(control), std::end(control), context.m_Control);
    context.m_Debug[5] = 0x400;
    NTev::CStr log;
    gf_Crash_AppendRegisters(log, context);
    EXPECT_STREQ(log.f_GetStr(),
                 "Integer registers:\n"
                 "Rdi=0x0000000000000100 Rsi=0x0000000000000101 Rax=0x0000000000000102\n"
                 "Rbx=0x0000000000000103 Rcx=0x0000000000000104 Rdx=0x0000000000000105\n"
                 "R8=0x0000000000000106 R9=0x0000000000000107 R10=0x0000000000000108\n"
                 "R11=0x0000000000000109 R12=0x000000000000010a R13=0x000000000000010b\n"
                 "R14=0x000000000000010c R15=0x000000000000010d\n"
                 "\n"
                 "Control registers:\n"
                 "Rip=0x00007ff612345678 Rbp=0x00000000000022f0 Rsp=0x00000000000022c8\n"
                 "SegCs=0x0000000000000033 SegSs=0x000000000000002b EFlags=0x0000000000010246\n"
                 "\n"
                 "Debug registers:\n"
                 "Dr0=0x0000000000000000 Dr1=0x0000000000000000 Dr2=0x0000000000000000\n"
                 "Dr3=0x0000000000000000 Dr6=0x0000000000000000 Dr7=0x0000000000000400\n"
                 "\n");
}

TEST(CrashLog, RegisterSectionsOfX86OnlyWhereCaptured)
{
    CCrashContext context;
    context.m_Arch = EArch::X86;
    context.m_bControl = true;
    const std::uint64_t control[] = {0x401a2b, 0x19ff70, 0x19ff60, 0x23, 0x2b, 0x246};
    std::copy(std::begin(control), std::end(control), context.m_Control);
    NTev::CStr log;
    gf_Crash_AppendRegisters(log, context);
    EXPECT_STREQ(log.f_GetStr(), "Control registers:\n"
                                 "Eip=0x00401a2b Ebp=0x0019ff70 Esp=0x0019ff60\n"
                                 "SegCs=0x00000023 SegSs=0x0000002b EFlags=0x00000246\n"
                                 "\n");
    context.m_bControl = false;
    context.m_bInteger = true;
    context.m_Integer[2] = 0xabc;
    log.f_Clear();
    gf_Crash_AppendRegisters(log, context);
    EXPECT_STREQ(log.f_GetStr(), "Integer registers:\n"
                                 "Edi=0x00000000 Esi=0x00000000 Eax=0x00000abc\n"
                                 "Ebx=0x00000000 Ecx=0x00000000 Edx=0x00000000\n"
                                 "\n");
}

TEST(CrashLog, MemoryLinesShowBytesInMemoryOrderWithTail)
{
    std::uint8_t bytes[39];
    for (std::size_t i = 0; i < sizeof(bytes); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    NTev::CStr log;
    gf_Crash_AppendMemoryLines(log, 0x1000, bytes, sizeof(bytes), EArch::X64);
    EXPECT_STREQ(log.f_GetStr(),
                 "0x0000000000001000: 0001020304050607 08090a0b0c0d0e0f 1011121314151617 18191a1b1c1d1e1f \n"
                 "0x0000000000001020: 20212223242526\n");
    log.f_Clear();
    gf_Crash_AppendMemoryLines(log, 0x1000, bytes, 11, EArch::X86);
    EXPECT_STREQ(log.f_GetStr(), "0x00001000: 0001020304050607 08090a\n");
}

TEST(CrashLog, StackWalkFollowsTheFrameChainWithSymbols)
{
    // Frames at 0x2000 -> 0x2040 -> 0x2080, whose saved frame is 0 (the end of the chain).
    CFakeMemory memory(0x1f00, 0x200);
    memory.f_PutWord(0x2000, 0x2040);
    memory.f_PutWord(0x2008, 0x140002000);
    memory.f_PutWord(0x2040, 0x2080);
    memory.f_PutWord(0x2048, 0x140003000);
    memory.f_PutWord(0x2080, 0);
    memory.f_PutWord(0x2088, 0x7ff0);
    CFakeSymbols symbols;
    symbols.m_Symbols[0x140001000] = fg_Symbol("fg_Crash", "C:/src/Crash.cpp", 12);
    symbols.m_Symbols[0x140002000] = fg_Symbol("main", "", 0);
    CCrashContext context;
    context.m_Control[1] = 0x2000;
    NTev::CStr log;
    gf_Crash_AppendStackTrace(log, context, 0x140001000, {0x2100, 0x1f00}, memory, &symbols);
    EXPECT_STREQ(log.f_GetStr(), "StackTrace: \n"
                                 "0x0000000140001000 Quillon.x64!fg_Crash\nC:/src/Crash.cpp:12\n"
                                 "StackFrame: 0x0000000000002000\n"
                                 "0x0000000140002000 Quillon.x64!main\n"
                                 "StackFrame: 0x0000000000002040\n"
                                 "0x0000000140003000\n"
                                 "StackFrame: 0x0000000000002080\n");
}

TEST(CrashLog, StackWalkStopsOutsideTheStackAndOnUnreadableMemory)
{
    CFakeMemory memory(0x1f00, 0x200);
    memory.f_PutWord(0x2000, 0x20f8); // within 16 bytes of the stack start
    CCrashContext context;
    context.m_Control[1] = 0x2000;
    NTev::CStr log;
    gf_Crash_AppendStackTrace(log, context, 0x10, {0x2100, 0x1f00}, memory, nullptr);
    EXPECT_STREQ(log.f_GetStr(), "StackTrace: \n0x0000000000000010\nStackFrame: 0x0000000000002000\n");
    // The bounds say yes, the memory cannot be read: the section ends.
    log.f_Clear();
    context.m_Control[1] = 0x8000;
    gf_Crash_AppendStackTrace(log, context, 0x10, {0x9000, 0x1000}, memory, nullptr);
    EXPECT_STREQ(log.f_GetStr(), "StackTrace: \n");
    // A frame pointer below the stack end is not followed.
    log.f_Clear();
    context.m_Control[1] = 0x1e00;
    gf_Crash_AppendStackTrace(log, context, 0x10, {0x2100, 0x1f00}, memory, nullptr);
    EXPECT_STREQ(log.f_GetStr(), "StackTrace: \n");
}

TEST(CrashLog, X86WalkReadsFourByteWords)
{
    CFakeMemory memory(0x1000, 0x100);
    memory.f_PutWord(0x1010, 0x1040, 4);
    memory.f_PutWord(0x1014, 0x401234, 4);
    memory.f_PutWord(0x1040, 0, 4);
    memory.f_PutWord(0x1044, 0x405678, 4);
    CCrashContext context;
    context.m_Arch = EArch::X86;
    context.m_Control[1] = 0x1010;
    NTev::CStr log;
    gf_Crash_AppendStackTrace(log, context, 0x401000, {0x1100, 0x1000}, memory, nullptr);
    EXPECT_STREQ(log.f_GetStr(), "StackTrace: \n0x00401000\nStackFrame: 0x00001010\n"
                                 "0x00401234\nStackFrame: 0x00001040\n");
}

TEST(CrashLog, StackMemoryFromTheStackPointerToTheStart)
{
    CFakeMemory memory(0x1000, 0x40);
    for (std::size_t i = 0; i < memory.m_Bytes.size(); ++i)
        memory.m_Bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    CCrashContext context;
    context.m_Control[2] = 0x1018;
    NTev::CStr log;
    gf_Crash_AppendStackMemory(log, context, {0x1040, 0x1000}, memory);
    EXPECT_STREQ(log.f_GetStr(), "0x0000000000001018: b8b9babbbcbdbebf c0c1c2c3c4c5c6c7 c8c9cacbcccdcecf "
                                 "d0d1d2d3d4d5d6d7 \n"
                                 "0x0000000000001038: d8d9dadbdcdddedf \n");
}

TEST(CrashLog, WholeLogWithoutSymbolsKeepsEverySection)
{
    CFakeMemory memory(0x1000, 0x20);
    CCrashException exception;
    exception.m_Code = 0xC0000094;
    exception.m_Address = 0x401000;
    CCrashContext context;
    context.m_bControl = true;
    context.m_Control[1] = 0x1000;
    context.m_Control[2] = 0x1010;
    const std::string log =
        gf_Crash_BuildLog(exception, context, {0x1020, 0x1000}, memory, nullptr).f_GetStr();
    EXPECT_EQ(log.rfind("Unhandeled excepion\n\nException type: Integer divide by zero\n\n"
                        "Exception address: 0x0000000000401000\n\nControl registers:\n",
                        0),
              0u);
    EXPECT_NE(log.find("\n\nStackTrace: \n0x0000000000401000\nStackFrame: 0x0000000000001000\n"
                       "0x0000000000001010: 0000000000000000 0000000000000000 \n"),
              std::string::npos)
        << log;
}

TEST(CrashMessage, NamesTheProgramTheContactAndTheFiles)
{
    CCrashFiles files;
    files.m_Log = "C:/Q/CrashLog_x.txt";
    files.m_MiniDump = "C:/Q/MiniDump_x.dmp";
    files.m_FullDump = "C:/Q/FullDump_x.dmp";
    CCrashSettings settings;
    settings.m_DisplayName = "Quillon";
    settings.m_Contact = "help@example.org";
    EXPECT_STREQ(
        gf_Crash_UserMessage(settings, files, false).f_GetStr(),
        "Quillon has encountered an unhandled exception. Please send the following crash log files to "
        "help@example.org\n\nAlong with a description of what you were doing when the program crashed.\n\n"
        "C:/Q/CrashLog_x.txt\n\nC:/Q/MiniDump_x.dmp\n\n\nAlso please save the following crash log file "
        "for future reference:\n\nC:/Q/FullDump_x.dmp");
    const std::string question = gf_Crash_UserMessage(CCrashSettings(), files, true).f_GetStr();
    EXPECT_EQ(question.rfind("The program has encountered an unhandled exception. Please send the following "
                             "crash log files to support@velmora.example\n\n",
                             0),
              0u);
    EXPECT_EQ(question.substr(question.size() - 50), "FullDump_x.dmp\n\nDo you want to continue execution?");
}

TEST(CrashMessage, WithoutAFullDumpNamesTheLogAndTheMiniDumpOnly)
{
    CCrashFiles files;
    files.m_Log = "C:/Q/CrashLog_x.txt";
    files.m_MiniDump = "C:/Q/MiniDump_x.dmp";
    files.m_FullDump = "C:/Q/FullDump_x.dmp";
    CCrashSettings settings;
    settings.m_bFullDump = false;
    const std::string text = gf_Crash_UserMessage(settings, files, false).f_GetStr();
    const std::string end = "C:/Q/CrashLog_x.txt\n\nC:/Q/MiniDump_x.dmp";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    EXPECT_EQ(text.find("FullDump"), std::string::npos);
}
