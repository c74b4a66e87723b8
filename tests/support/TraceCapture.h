#pragma once
// Captures what this process writes to the trace channel (the debugger output) while the
// object lives. On Windows it intercepts the real OutputDebugStringA.

#include <mutex>
#include <string>
#include <vector>

namespace NQuillonTest
{
class CTraceCapture
{
public:
    CTraceCapture();
    ~CTraceCapture();
    CTraceCapture(const CTraceCapture&) = delete;
    CTraceCapture& operator=(const CTraceCapture&) = delete;

    // Every text written, in order, one entry per write.
    std::vector<std::string> f_GetWrites() const;
    // All writes joined.
    std::string f_GetText() const;
    void f_Clear();

    // Called by the platform hook.
    void f_Add(const char* text, std::size_t length);

private:
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Writes;
};
} // namespace NQuillonTest
