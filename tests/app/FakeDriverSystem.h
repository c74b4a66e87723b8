#pragma once
// An in-memory driver system for the installation logic: registry keys and values, services,
// deletions at reboot and device restarts, with switches for the failures the logic meets.
// Files stay real (temporary directories).

#include "app/DriverSystem.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace NQuillonTest
{
class CFakeDriverSystem final : public NQuillon::NDrivers::ICDriverSystem
{
public:
    struct CValue
    {
        std::vector<std::string> m_List;
        std::string m_Text;
        std::uint32_t m_Number = 0;
    };
    using CValues = std::map<std::string, CValue>;

    // Keys by path; a key exists when it is in the map.
    std::map<std::string, CValues> m_Keys;
    // Services by name with their image paths.
    std::map<std::string, std::string> m_Services;
    // Deleting these leaves the service with "DeleteFlag" 1 (something still holds it).
    std::set<std::string> m_HeldServices;
    // Keys whose every access fails.
    std::set<std::string> m_FailingKeys;
    // Keys whose list writes throw, or seem to succeed but change nothing.
    std::set<std::string> m_FailingWrites;
    std::set<std::string> m_LostWrites;
    // Services whose driver does not load (a start fails).
    std::set<std::string> m_NotStarting;
    std::vector<std::string> m_StartRequests;
    bool m_bNoManager = false;
    bool m_bCreateFails = false;
    bool m_bRestartNeedsReboot = false;
    unsigned m_Architecture = 9;
    std::string m_SystemRoot;
    // Runs when a file is scheduled for deletion at reboot (between the rename and the copy).
    std::function<void()> m_OnDeleteAtReboot;

    int m_RegistryWrites = 0;
    int m_ServicesCreated = 0;
    int m_ServicesDeleted = 0;
    int m_Sleeps = 0;
    std::vector<std::string> m_DeletedAtReboot;
    std::vector<std::vector<std::string>> m_Restarts;

    void f_AddKey(const std::string& key) { m_Keys[key]; }
    void f_SetList(const std::string& key, const std::string& value, std::vector<std::string> list)
    {
        m_Keys[key][value].m_List = std::move(list);
    }
    std::vector<std::string> f_GetList(const std::string& key, const std::string& value) const;
    bool f_HasValue(const std::string& key, const std::string& value) const;

    bool f_KeyExists(const char* key) override;
    std::vector<NTev::CStr> f_GetSubkeys(const char* key) override;
    bool f_ReadMultiString(const char* key, const char* value,
                           NQuillon::NDrivers::CFilterList& list) override;
    void f_WriteMultiString(const char* key, const char* value,
                            const NQuillon::NDrivers::CFilterList& list) override;
    bool f_ReadString(const char* key, const char* value, NTev::CStr& text) override;
    void f_WriteString(const char* key, const char* value, const char* text) override;
    bool f_ReadNumber(const char* key, const char* value, std::uint32_t& number) override;
    NTev::CStr f_GetSystemRoot() override { return NTev::CStr(m_SystemRoot.c_str()); }
    unsigned f_GetNativeArchitecture() override { return m_Architecture; }
    std::unique_ptr<NQuillon::NDrivers::ICServiceManager> f_OpenServiceManager() override;
    void f_DeleteAtReboot(const char* path) override;
    void f_Sleep(unsigned) override { ++m_Sleeps; }
    bool f_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes) override;

private:
    CValues& fp_Key(const char* key);
};
} // namespace NQuillonTest
