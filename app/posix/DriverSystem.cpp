#include "app/DriverSystem.h"

#include "core/Exception.h"

namespace NQuillon::NDrivers
{
namespace
{
// POSIX has no registry, services or devices: no key exists, nothing can be written and the
// service control manager never opens, so installation does nothing.
class CNoDriverSystem final : public ICDriverSystem
{
public:
    bool f_KeyExists(const char*) override { return false; }
    std::vector<NTev::CStr> f_GetSubkeys(const char*) override { fp_NoRegistry(); }
    bool f_ReadMultiString(const char*, const char*, CFilterList&) override { fp_NoRegistry(); }
    void f_WriteMultiString(const char*, const char*, const CFilterList&) override { fp_NoRegistry(); }
    bool f_ReadString(const char*, const char*, NTev::CStr&) override { fp_NoRegistry(); }
    void f_WriteString(const char*, const char*, const char*) override { fp_NoRegistry(); }
    bool f_ReadNumber(const char*, const char*, std::uint32_t&) override { return false; }
    NTev::CStr f_GetSystemRoot() override { fp_NoRegistry(); }
    unsigned f_GetNativeArchitecture() override { return 0; }
    std::unique_ptr<ICServiceManager> f_OpenServiceManager() override { return nullptr; }
    void f_DeleteAtReboot(const char*) override { fp_NoRegistry(); }
    void f_Sleep(unsigned) override {}
    bool f_RestartDevices(const char*, const std::vector<const char*>&) override { return false; }

private:
    [[noreturn]] static void fp_NoRegistry()
    {
        TEV_THROW(NTev::NException::CExceptionSystemImplementation, "NQuillon::NDrivers::CNoDriverSystem",
                  "Drivers are not supported on this system");
    }
};
} // namespace

ICDriverSystem& gf_GetDriverSystem()
{
    static CNoDriverSystem s_System;
    return s_System;
}
} // namespace NQuillon::NDrivers
