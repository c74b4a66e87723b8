#pragma once
// The trace channel: the debugger output. gf_DebugOutput (core/Format.h) formats into it.

namespace NTev::NSys
{
// Writes text exactly as given (no prefix, no line break added).
void gf_DebugOutputText(const char* text) noexcept;

// Receives every text written to the debugger output of this process. Used by tests and by
// tools that show the trace; at most one listener at a time.
class ICDebugOutputListener
{
public:
    virtual void f_OnDebugOutput(const char* text) noexcept = 0;

protected:
    ~ICDebugOutputListener() = default;
};
// Installs a listener (null removes it); returns the previous one.
ICDebugOutputListener* gf_SetDebugOutputListener(ICDebugOutputListener* listener) noexcept;
} // namespace NTev::NSys
