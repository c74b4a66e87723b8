#include "tests/app/FakeDriverSystem.h"

#include "core/Exception.h"

namespace NQuillonTest
{
namespace
{
class CFakeServiceManager final : public NQuillon::NDrivers::ICServiceManager
{
public:
    explicit CFakeServiceManager(CFakeDriverSystem& system) : m_System(system) {}

    bool f_ServiceExists(const char* name) override { return m_System.m_Services.count(name) != 0; }

    EDelete f_DeleteService(const char* name) override
    {
        if (!m_System.m_Services.count(name))
            return EDelete::Missing;
        std::string key = std::string("Services\\") + name;
        // A service already marked for deletion refuses another deletion.
        if (m_System.m_Keys[key]["DeleteFlag"].m_Number)
            return EDelete::Failed;
        ++m_System.m_ServicesDeleted;
        if (m_System.m_HeldServices.count(name))
        {
            m_System.m_Keys[key]["DeleteFlag"].m_Number = 1;
            return EDelete::Deleted;
        }
        m_System.m_Services.erase(name);
        m_System.m_Keys.erase(key);
        return EDelete::Deleted;
    }

    bool f_CreateKernelService(const char* name, const char*, const char* imagePath) override
    {
        if (m_System.m_bCreateFails || m_System.m_Services.count(name))
            return false;
        ++m_System.m_ServicesCreated;
        m_System.m_Services[name] = imagePath;
        m_System.m_Keys[std::string("Services\\") + name];
        return true;
    }

    bool f_StartService(const char* name) override
    {
        m_System.m_StartRequests.emplace_back(name);
        return m_System.m_Services.count(name) && !m_System.m_NotStarting.count(name);
    }

private:
    CFakeDriverSystem& m_System;
};
} // namespace

std::vector<std::string> CFakeDriverSystem::f_GetList(const std::string& key, const std::string& value) const
{
    auto found = m_Keys.find(key);
    if (found == m_Keys.end() || !found->second.count(value))
        return {};
    return found->second.at(value).m_List;
}

bool CFakeDriverSystem::f_HasValue(const std::string& key, const std::string& value) const
{
    auto found = m_Keys.find(key);
    return found != m_Keys.end() && found->second.count(value);
}

CFakeDriverSystem::CValues& CFakeDriverSystem::fp_Key(const char* key)
{
    auto found = m_Keys.find(key);
    if (found == m_Keys.end() || m_FailingKeys.count(key))
        TEV_THROW(NTev::NException::CExceptionSystemImplementation, "CFakeDriverSystem", "No such key");
    return found->second;
}

bool CFakeDriverSystem::f_KeyExists(const char* key)
{
    return m_Keys.count(key) != 0;
}

std::vector<NTev::CStr> CFakeDriverSystem::f_GetSubkeys(const char* key)
{
    fp_Key(key);
    std::string prefix = std::string(key) + "\\";
    std::vector<NTev::CStr> subkeys;
    for (const auto& [path, values] : m_Keys)
        if (path.compare(0, prefix.size(), prefix) == 0 &&
            path.find('\\', prefix.size()) == std::string::npos)
            subkeys.emplace_back(path.c_str() + prefix.size());
    return subkeys;
}

bool CFakeDriverSystem::f_ReadMultiString(const char* key, const char* value,
                                          NQuillon::NDrivers::CFilterList& list)
{
    CValues& values = fp_Key(key);
    list.clear();
    auto found = values.find(value);
    if (found == values.end())
        return false;
    for (const std::string& entry : found->second.m_List)
        list.emplace_back(entry.c_str());
    return true;
}

void CFakeDriverSystem::f_WriteMultiString(const char* key, const char* value,
                                           const NQuillon::NDrivers::CFilterList& list)
{
    CValue& target = fp_Key(key)[value];
    if (m_FailingWrites.count(key))
        TEV_THROW(NTev::NException::CExceptionSystemImplementation, "CFakeDriverSystem", "Write refused");
    ++m_RegistryWrites;
    // A write the system reports done but does not keep (read back finds the old list).
    if (m_LostWrites.count(key))
        return;
    target.m_List.clear();
    for (const NTev::CStr& entry : list)
        target.m_List.emplace_back(entry.f_GetStr());
}

bool CFakeDriverSystem::f_ReadString(const char* key, const char* value, NTev::CStr& text)
{
    CValues& values = fp_Key(key);
    auto found = values.find(value);
    if (found == values.end())
        return false;
    text = found->second.m_Text.c_str();
    return true;
}

void CFakeDriverSystem::f_WriteString(const char* key, const char* value, const char* text)
{
    CValue& target = fp_Key(key)[value];
    ++m_RegistryWrites;
    target.m_Text = text;
}

bool CFakeDriverSystem::f_ReadNumber(const char* key, const char* value, std::uint32_t& number)
{
    auto found = m_Keys.find(key);
    if (found == m_Keys.end() || !found->second.count(value))
        return false;
    number = found->second.at(value).m_Number;
    return true;
}

std::unique_ptr<NQuillon::NDrivers::ICServiceManager> CFakeDriverSystem::f_OpenServiceManager()
{
    if (m_bNoManager)
        return nullptr;
    return std::make_unique<CFakeServiceManager>(*this);
}

void CFakeDriverSystem::f_DeleteAtReboot(const char* path)
{
    m_DeletedAtReboot.emplace_back(path);
    if (m_OnDeleteAtReboot)
        m_OnDeleteAtReboot();
}

bool CFakeDriverSystem::f_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes)
{
    std::vector<std::string> call{enumerator};
    call.insert(call.end(), idPrefixes.begin(), idPrefixes.end());
    m_Restarts.push_back(call);
    return m_bRestartNeedsReboot;
}
} // namespace NQuillonTest
