#include "core/CrashLog.h"

#include "core/Format.h"

namespace NTev::NCrash
{
namespace
{
using NStr::CStr;

constexpr int gc_MaxFrames = 1024;
constexpr std::size_t gc_MemoryLineBytes = 32;
// The stack memory is read in pieces of this size, so that an unreadable page ends the dump
// there and not before it.
constexpr std::size_t gc_MemoryReadBytes = 4096;

struct CExceptionName
{
    std::uint32_t m_Code;
    const char* m_pName;
};

constexpr CExceptionName gc_ExceptionNames[] = {
    {0x80000002, "Datatype misalignment"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0xC0000006, "In page error"},
    {0xC000001D, "Illegal instruction"},
    {0xC0000025, "Noncontinuable exception"},
    {0xC0000026, "Invalid disposition"},
    {0xC000008C, "Array bounds exceeded"},
    {0xC000008D, "Float denormal operand"},
    {0xC000008E, "Float divide by zero"},
    {0xC000008F, "Float inexact result"},
    {0xC0000090, "Float invalid operation"},
    {0xC0000091, "Float overflow"},
    {0xC0000092, "Float stack check"},
    {0xC0000093, "Float underflow"},
    {0xC0000094, "Integer divide by zero"},
    {0xC0000095, "Integer overflow"},
    {0xC0000096, "Priviledged instruction"},
    {0xC00000FD, "Stack overflow"},
};

constexpr const char* gc_IntegerNames64[] = {"Rdi", "Rsi", "Rax", "Rbx", "Rcx", "Rdx", "R8",
                                             "R9",  "R10", "R11", "R12", "R13", "R14", "R15"};
constexpr const char* gc_IntegerNames32[] = {"Edi", "Esi", "Eax", "Ebx", "Ecx", "Edx"};
constexpr const char* gc_ControlNames64[] = {"Rip", "Rbp", "Rsp", "SegCs", "SegSs", "EFlags"};
constexpr const char* gc_ControlNames32[] = {"Eip", "Ebp", "Esp", "SegCs", "SegSs", "EFlags"};
constexpr const char* gc_DebugNames[] = {"Dr0", "Dr1", "Dr2", "Dr3", "Dr6", "Dr7"};

template <typename... tf_CArgs>
void fg_Append(CStr& log, const char* pattern, const tf_CArgs&... args)
{
    CStr text;
    gf_Format(text, pattern, args...);
    log += text;
}

std::size_t fg_WordSize(EArch arch) noexcept
{
    return arch == EArch::X64 ? 8 : 4;
}

void fg_AppendSection(CStr& log, const char* heading, const char* const* names, const std::uint64_t* values,
                      std::size_t count, int digits)
{
    log += heading;
    log += "\n";
    for (std::size_t i = 0; i < count; ++i)
    {
        fg_Append(log, "{}=0x{nfh,sf0,sj*}", names[i], values[i], digits);
        log += (i % 3 == 2 || i + 1 == count) ? "\n" : " ";
    }
    log += "\n";
}

// The value whose hexadecimal digits show size bytes in memory order.
std::uint64_t fg_BigEndian(const std::uint8_t* bytes, std::size_t size) noexcept
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}
} // namespace

int gf_Crash_AddressDigits(EArch arch) noexcept
{
    return arch == EArch::X64 ? 16 : 8;
}

CStr gf_Crash_ExceptionName(const CCrashException& exception, EArch arch)
{
    if (exception.m_Code == gc_ExceptionAccessViolation)
    {
        const bool write = exception.m_nParameters > 0 && exception.m_Parameters[0] != 0;
        const std::uint64_t address = exception.m_nParameters > 1 ? exception.m_Parameters[1] : 0;
        CStr text;
        gf_Format(text,
                  write ? "Access violation trying to write to address: 0x{nfh,sf0,sj*}"
                        : "Access violation trying to read to address: 0x{nfh,sf0,sj*}",
                  address, gf_Crash_AddressDigits(arch));
        return text;
    }
    for (const CExceptionName& name : gc_ExceptionNames)
    {
        if (name.m_Code == exception.m_Code)
            return CStr(name.m_pName);
    }
    return CStr("Unknown");
}

void gf_Crash_AppendExceptionAddress(CStr& log, std::uint64_t address, EArch arch, ICCrashSymbols* symbols)
{
    CCrashSymbol symbol;
    if (symbols && symbols->f_Lookup(address, symbol))
        fg_Append(log, "Exception address: 0x{nfh,sf0,sj*} ({}!{})\n\n", address,
                  gf_Crash_AddressDigits(arch), symbol.m_Module, symbol.m_Name);
    else
        fg_Append(log, "Exception address: 0x{nfh,sf0,sj*1}\n\n", address, gf_Crash_AddressDigits(arch));
}

void gf_Crash_AppendRegisters(CStr& log, const CCrashContext& context)
{
    const bool x64 = context.m_Arch == EArch::X64;
    const int digits = x64 ? 16 : 8;
    if (context.m_bInteger)
        fg_AppendSection(log, "Integer registers:", x64 ? gc_IntegerNames64 : gc_IntegerNames32,
                         context.m_Integer, x64 ? 14 : 6, digits);
    if (context.m_bControl)
        fg_AppendSection(log, "Control registers:", x64 ? gc_ControlNames64 : gc_ControlNames32,
                         context.m_Control, 6, digits);
    if (context.m_bDebug)
        fg_AppendSection(log, "Debug registers:", gc_DebugNames, context.m_Debug, 6, digits);
}

std::vector<CCrashFrame> gf_Crash_WalkFramePointers(const CCrashContext& context, std::uint64_t codeAddress,
                                                    const CStackBounds& bounds, ICCrashMemory& memory)
{
    std::vector<CCrashFrame> frames;
    const std::size_t wordSize = fg_WordSize(context.m_Arch);
    std::uint64_t frame = context.f_GetFramePointer();
    for (int i = 0; i < gc_MaxFrames; ++i)
    {
        if (frame >= 0xFFFFFFFFFFFFFFF0ull || frame + 16 > bounds.m_Start || frame < bounds.m_End)
            break;
        std::uint64_t nextCode = 0;
        std::uint64_t nextFrame = 0;
        if (!memory.f_Read(frame + wordSize, &nextCode, wordSize) ||
            !memory.f_Read(frame, &nextFrame, wordSize))
            break;
        frames.push_back({codeAddress, frame});
        // Callers' frames lie higher up the stack: a chain that does not climb is not one.
        if (nextFrame <= frame)
            break;
        codeAddress = nextCode;
        frame = nextFrame;
    }
    return frames;
}

void gf_Crash_AppendStackFrames(CStr& log, const std::vector<CCrashFrame>& frames, EArch arch,
                                ICCrashSymbols* symbols)
{
    log += "StackTrace: \n";
    const int digits = gf_Crash_AddressDigits(arch);
    for (const CCrashFrame& frame : frames)
    {
        CCrashSymbol symbol;
        if (symbols && symbols->f_Lookup(frame.m_Code, symbol))
        {
            fg_Append(log, "0x{nfh,sf0,sj*} {}!{}\n", frame.m_Code, digits, symbol.m_Module, symbol.m_Name);
            if (symbol.m_Line != 0)
                fg_Append(log, "{}:{}\n", symbol.m_File, symbol.m_Line);
        }
        else
            fg_Append(log, "0x{nfh,sf0,sj*1}\n", frame.m_Code, digits);
        fg_Append(log, "StackFrame: 0x{nfh,sf0,sj*1}\n", frame.m_Frame, digits);
    }
}

void gf_Crash_AppendStackTrace(CStr& log, const CCrashContext& context, std::uint64_t codeAddress,
                               const CStackBounds& bounds, ICCrashMemory& memory, ICCrashSymbols* symbols)
{
    gf_Crash_AppendStackFrames(log, gf_Crash_WalkFramePointers(context, codeAddress, bounds, memory),
                               context.m_Arch, symbols);
}

void gf_Crash_AppendMemoryLines(CStr& log, std::uint64_t address, const std::uint8_t* bytes, std::size_t size,
                                EArch arch)
{
    const int digits = gf_Crash_AddressDigits(arch);
    for (std::size_t line = 0; line < size; line += gc_MemoryLineBytes)
    {
        fg_Append(log, "0x{nfh,sf0,sj*1}: ", address + line, digits);
        const std::size_t end = line + gc_MemoryLineBytes < size ? line + gc_MemoryLineBytes : size;
        std::size_t at = line;
        for (; at + 8 <= end; at += 8)
            fg_Append(log, "{nfh,sf0,sj16} ", fg_BigEndian(bytes + at, 8));
        if (at + 4 <= end)
        {
            fg_Append(log, "{nfh,sf0,sj8}", fg_BigEndian(bytes + at, 4));
            at += 4;
        }
        if (at + 2 <= end)
        {
            fg_Append(log, "{nfh,sf0,sj4}", fg_BigEndian(bytes + at, 2));
            at += 2;
        }
        if (at < end)
            fg_Append(log, "{nfh,sf0,sj2}", fg_BigEndian(bytes + at, 1));
        log += "\n";
    }
}

void gf_Crash_AppendStackMemory(CStr& log, const CCrashContext& context, const CStackBounds& bounds,
                                ICCrashMemory& memory)
{
    gf_DebugOutput("StackEnd {nfh,sj8,sf0} StackStart {nfh,sj8,sf0}", bounds.m_End, bounds.m_Start);
    std::uint64_t address = context.f_GetStackPointer();
    if (address < bounds.m_End)
        address = bounds.m_End;
    std::uint8_t buffer[gc_MemoryReadBytes];
    while (address < bounds.m_Start)
    {
        // Pieces stay whole lines, so that the line addresses continue from the stack pointer.
        std::uint64_t size = bounds.m_Start - address;
        if (size > gc_MemoryReadBytes)
            size = gc_MemoryReadBytes;
        if (!memory.f_Read(address, buffer, static_cast<std::size_t>(size)))
            break;
        gf_Crash_AppendMemoryLines(log, address, buffer, static_cast<std::size_t>(size), context.m_Arch);
        address += size;
    }
}

CStr gf_Crash_BuildLog(const CCrashException& exception, const CCrashContext& context,
                       const CStackBounds& bounds, ICCrashMemory& memory, ICCrashSymbols* symbols,
                       const std::vector<CCrashFrame>* frames)
{
    CStr log("Unhandeled excepion\n\nException type: ");
    log += gf_Crash_ExceptionName(exception, context.m_Arch);
    log += "\n\n";
    gf_Crash_AppendExceptionAddress(log, exception.m_Address, context.m_Arch, symbols);
    gf_Crash_AppendRegisters(log, context);
    // Each of these may run out of memory in a damaged process: that ends the section, and the
    // report keeps what it has.
    try
    {
        if (frames)
            gf_Crash_AppendStackFrames(log, *frames, context.m_Arch, symbols);
        else
            gf_Crash_AppendStackTrace(log, context, exception.m_Address, bounds, memory, symbols);
    }
    catch (...)
    {
        log += "\n";
    }
    try
    {
        gf_Crash_AppendStackMemory(log, context, bounds, memory);
    }
    catch (...)
    {
        log += "\n";
    }
    return log;
}
} // namespace NTev::NCrash
