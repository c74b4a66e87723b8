#pragma once
// The kernel stand-in that never completes a read, for the life of the object: it holds the
// filter device's name, and tells how many reads it holds.

#include "tests/support/win32/KernelService.h"
#include "tools/filterstandin/kernel/StuckReadDriver.h"

namespace NQuillonTest
{
class CStuckReadDriver
{
public:
    explicit CStuckReadDriver(const char* image) : m_Service("QuillonStuckRead", image) {}

    bool f_IsStarted() const { return m_Service.f_IsStarted(); }
    DWORD f_GetStartError() const { return m_Service.f_GetStartError(); }
    // The reads the driver holds, or -1 when it cannot be asked.
    static int fs_HeldReads()
    {
        HANDLE device = CreateFileA("\\\\.\\QuillonKeyboardFilter", 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE)
            return -1;
        ULONG count = 0;
        DWORD returned = 0;
        const bool asked = DeviceIoControl(device, QUILLON_STUCK_READ_COUNT, nullptr, 0, &count, sizeof count,
                                           &returned, nullptr);
        CloseHandle(device);
        return asked ? static_cast<int>(count) : -1;
    }

private:
    CKernelService m_Service;
};
} // namespace NQuillonTest
