#pragma once
// The text of the crash log, from a captured exception and thread context given as plain data:
// the exception's name and address, the register sections, the frame-pointer stack walk and a
// dump of the stack memory. Memory and symbols come through interfaces, so that the OS side
// reads them safely and tests give them directly.

#include "core/Str.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NTev::NCrash
{
inline constexpr std::uint32_t gc_ExceptionBreakpoint = 0x80000003;
inline constexpr std::uint32_t gc_ExceptionAccessViolation = 0xC0000005;

// The processor the context was captured on: x64 prints 16-digit registers and addresses and
// walks 8-byte frames, x86 8 digits and 4-byte frames.
enum class EArch
{
    X64,
    X86,
};

// The parts of a thread context the log shows; each section only when captured.
struct CCrashContext
{
    EArch m_Arch = EArch::X64;
    bool m_bInteger = false;
    bool m_bControl = false;
    bool m_bDebug = false;
    // Rdi, Rsi, Rax, Rbx, Rcx, Rdx, R8 to R15 (x86: Edi, Esi, Eax, Ebx, Ecx, Edx).
    std::uint64_t m_Integer[14] = {};
    // Instruction, frame and stack pointer, SegCs, SegSs, EFlags.
    std::uint64_t m_Control[6] = {};
    // Dr0, Dr1, Dr2, Dr3, Dr6, Dr7.
    std::uint64_t m_Debug[6] = {};

    std::uint64_t f_GetInstructionPointer() const noexcept { return m_Control[0]; }
    std::uint64_t f_GetFramePointer() const noexcept { return m_Control[1]; }
    std::uint64_t f_GetStackPointer() const noexcept { return m_Control[2]; }
};

struct CCrashException
{
    std::uint32_t m_Code = 0;
    std::uint64_t m_Address = 0;
    std::uint32_t m_nParameters = 0;
    std::uint64_t m_Parameters[15] = {};
};

// The crashing thread's stack: start is the highest address (exclusive), end the lowest.
struct CStackBounds
{
    std::uint64_t m_Start = 0;
    std::uint64_t m_End = 0;
};

// Reads memory of the crashed process; false where it cannot be read.
class ICCrashMemory
{
public:
    virtual bool f_Read(std::uint64_t address, void* buffer, std::size_t size) = 0;

protected:
    ~ICCrashMemory() = default;
};

struct CCrashSymbol
{
    NStr::CStr m_Module;
    NStr::CStr m_Name;
    NStr::CStr m_File;
    std::uint32_t m_Line = 0;
};

// Finds the module and symbol of a code address, and its source line where known (line 0
// otherwise); false when the address lies in no module with a symbol.
class ICCrashSymbols
{
public:
    virtual bool f_Lookup(std::uint64_t address, CCrashSymbol& symbol) = 0;

protected:
    ~ICCrashSymbols() = default;
};

// One step of a stack walk: a code address and the frame it runs in.
struct CCrashFrame
{
    std::uint64_t m_Code = 0;
    std::uint64_t m_Frame = 0;
};

// Hexadecimal digits of an address: 16 on x64, 8 on x86.
int gf_Crash_AddressDigits(EArch arch) noexcept;
// The text after "Exception type: ".
NStr::CStr gf_Crash_ExceptionName(const CCrashException& exception, EArch arch);
void gf_Crash_AppendExceptionAddress(NStr::CStr& log, std::uint64_t address, EArch arch,
                                     ICCrashSymbols* symbols);
void gf_Crash_AppendRegisters(NStr::CStr& log, const CCrashContext& context);
// The frame-pointer chain from the context's frame pointer and codeAddress, at most 1024
// frames, while the frames stay inside the stack and go up it. An unreadable frame ends it.
std::vector<CCrashFrame> gf_Crash_WalkFramePointers(const CCrashContext& context, std::uint64_t codeAddress,
                                                    const CStackBounds& bounds, ICCrashMemory& memory);
// "StackTrace: " and each frame's code address (with its symbol and line where known) and frame.
void gf_Crash_AppendStackFrames(NStr::CStr& log, const std::vector<CCrashFrame>& frames, EArch arch,
                                ICCrashSymbols* symbols);
// Both: the stack trace of the frame-pointer walk.
void gf_Crash_AppendStackTrace(NStr::CStr& log, const CCrashContext& context, std::uint64_t codeAddress,
                               const CStackBounds& bounds, ICCrashMemory& memory, ICCrashSymbols* symbols);
// Lines of 32 bytes from address: groups of 8 bytes in memory order, and at the end groups of
// 4, 2 and 1.
void gf_Crash_AppendMemoryLines(NStr::CStr& log, std::uint64_t address, const std::uint8_t* bytes,
                                std::size_t size, EArch arch);
// The stack memory from the context's stack pointer up to the stack start; a part that
// cannot be read ends it.
void gf_Crash_AppendStackMemory(NStr::CStr& log, const CCrashContext& context, const CStackBounds& bounds,
                                ICCrashMemory& memory);
// The whole log, from "Unhandeled excepion" to the stack memory. symbols may be null. The stack
// trace shows frames when given (a walk by the system's unwind data), else the frame-pointer
// walk.
NStr::CStr gf_Crash_BuildLog(const CCrashException& exception, const CCrashContext& context,
                             const CStackBounds& bounds, ICCrashMemory& memory, ICCrashSymbols* symbols,
                             const std::vector<CCrashFrame>* frames = nullptr);
} // namespace NTev::NCrash
