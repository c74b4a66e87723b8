#include "app/DriverFiles.h"

#include "core/Format.h"

namespace NQuillon::NDrivers
{
const CDriver gc_ClassFilter = {"QuillonFilter", "Quillon Filter", "QuillonFilter", nullptr};
const CDriver gc_HidFilter = {"Parlix", "Parlix", "Parlix", "Parlix.sys"};

NTev::CStr gf_GetShippedFileName(const CDriver& driver, unsigned nativeArchitecture)
{
    NTev::CStr name;
    NTev::gf_Format(name, "{}.{}.sys", driver.m_pShippedBase,
                    nativeArchitecture == gc_ArchitectureAmd64 ? "x64" : "x86");
    return name;
}

NTev::CStr gf_GetInstalledPath(const CDriver& driver, const char* systemRoot, const NTev::CStr& shippedName)
{
    NTev::CStr path;
    NTev::gf_Format(path, "{}/System32/Drivers/{}", systemRoot,
                    driver.m_pInstalledName ? driver.m_pInstalledName : shippedName.f_GetStr());
    return path;
}

NTev::CStr gf_GetServiceKey(const CDriver& driver)
{
    return NTev::CStr("Services\\") + driver.m_pServiceName;
}

NTev::CStr gf_GetOldFilePath(const char* path, const NTev::CTime& time)
{
    NTev::CStr oldPath;
    NTev::gf_Format(oldPath, "{}.old.{}.{}", path, time.m_Seconds, time.m_Fraction);
    return oldPath;
}

NTev::CStr gf_WithBackslashes(const char* path)
{
    NTev::CStr result(path);
    std::size_t length = result.f_GetLen();
    if (!length)
        return result;
    char* chars = result.f_SetCapacity(length + 1);
    for (std::size_t i = 0; i < length; ++i)
        if (chars[i] == '/')
            chars[i] = '\\';
    return result;
}
} // namespace NQuillon::NDrivers
