// Captures OutputDebugStringA: it raises DBG_PRINTEXCEPTION_C, which a vectored handler sees
// first and continues, so the text never reaches a debugger.

#include "tests/support/TraceCapture.h"

#include <atomic>
#include <windows.h>

namespace NQuillonTest
{
namespace
{
constexpr DWORD mc_DebugPrintException = 0x40010006;
std::atomic<CTraceCapture*> g_pCapture{nullptr};
PVOID g_Handler = nullptr;

LONG CALLBACK fg_OnException(EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode != mc_DebugPrintException || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    if (CTraceCapture* capture = g_pCapture.load())
    {
        std::size_t length = static_cast<std::size_t>(record->ExceptionInformation[0]);
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        // The length counts the terminator.
        if (length && text[length - 1] == 0)
            --length;
        capture->f_Add(text, length);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}
} // namespace

CTraceCapture::CTraceCapture()
{
    g_pCapture.store(this);
    g_Handler = AddVectoredExceptionHandler(1, fg_OnException);
}

CTraceCapture::~CTraceCapture()
{
    RemoveVectoredExceptionHandler(g_Handler);
    g_Handler = nullptr;
    g_pCapture.store(nullptr);
}
} // namespace NQuillonTest
