#pragma once
// A kernel stand-in driver of the tests, installed (and started, unless the test leaves that to
// the code it tests) as a demand-start kernel service for the life of the object, then stopped
// (which completes what it held) and removed. One that an earlier run left behind is removed
// first.

#include <string>

#include <windows.h>

namespace NQuillonTest
{
class CKernelService
{
public:
    // image: the driver file; forward slashes are taken as backslashes.
    CKernelService(const char* name, std::string image, bool start = true);
    ~CKernelService();
    CKernelService(const CKernelService&) = delete;
    CKernelService& operator=(const CKernelService&) = delete;

    bool f_IsInstalled() const noexcept { return m_bInstalled; }
    bool f_IsStarted() const noexcept { return m_bStarted; }
    // The start's error when it did not start.
    DWORD f_GetStartError() const noexcept { return m_StartError; }

private:
    void fp_Remove();

    std::string m_Name;
    SC_HANDLE m_hManager = nullptr;
    bool m_bInstalled = false;
    bool m_bStarted = false;
    DWORD m_StartError = NO_ERROR;
};
} // namespace NQuillonTest
