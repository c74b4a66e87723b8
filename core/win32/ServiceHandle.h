#pragma once
// A handle of the service control manager or of one service, closed when it goes out of scope.

#include <windows.h>

namespace NTev::NSys
{
class CServiceHandle
{
public:
    explicit CServiceHandle(SC_HANDLE handle) noexcept : m_Handle(handle) {}
    ~CServiceHandle()
    {
        if (m_Handle)
            CloseServiceHandle(m_Handle);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE f_Get() const noexcept { return m_Handle; }
    explicit operator bool() const noexcept { return m_Handle != nullptr; }

private:
    SC_HANDLE m_Handle;
};
} // namespace NTev::NSys
