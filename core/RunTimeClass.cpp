#include "core/RunTimeClass.h"

#include "core/Exception.h"
#include "core/Format.h"

#include <cstring>
#include <functional>
#include <vector>

namespace NTev
{
namespace
{
constexpr char mc_Unregistered[] = "Trying to create an run time object with an unregistered class";
} // namespace

bool CRunTimeObjectInfo::CNameLess::operator()(const char* left, const char* right) const noexcept
{
    return std::strcmp(left, right) < 0;
}

bool CRunTimeObjectInfo::CRecordLess::operator()(const CRunTimeObjectInfo* left,
                                                 const CRunTimeObjectInfo* right) const noexcept
{
    int order = std::strcmp(left->m_pShortName, right->m_pShortName);
    return order != 0 ? order < 0 : std::less<const CRunTimeObjectInfo*>()(left, right);
}

CRunTimeObjectInfo& CRunTimeObjectInfo::fs_Root()
{
    // Created by the first registration, so it outlives every static record; at exit it
    // frees the placeholders the registry made.
    struct CRoot
    {
        CRunTimeObjectInfoContainer* m_pNode = new CRunTimeObjectInfoContainer(CRootTag{});
        ~CRoot() { delete m_pNode; }
    };
    static CRoot s_Root;
    return *s_Root.m_pNode;
}

const CRunTimeObjectInfo& CRunTimeObjectInfo::fs_GetRoot()
{
    return fs_Root();
}

CRunTimeObjectInfo::CRunTimeObjectInfo(CRootTag) noexcept : m_Registered(0) {}

CRunTimeObjectInfo::CRunTimeObjectInfo(const char* qualifiedName, const char* baseName, int registered)
{
    f_Construct(qualifiedName, baseName, registered);
}

CRunTimeObjectInfo::~CRunTimeObjectInfo()
{
    if (m_pParent)
    {
        auto found = m_pParent->m_Children.find(m_pShortName);
        if (found != m_pParent->m_Children.end() && found->second == this)
            m_pParent->m_Children.erase(found);
    }
    if (m_pBase)
        m_pBase->m_Derived.erase(this);
    for (CRunTimeObjectInfo* derived : m_Derived)
        derived->m_pBase = nullptr;
    auto children = static_cast<decltype(m_Children)&&>(m_Children);
    for (auto& child : children)
    {
        child.second->m_pParent = nullptr;
        if (child.second->m_bOwnedByRegistry)
            delete child.second;
    }
}

namespace
{
const char* fg_FindLastSeparator(const char* name, std::size_t length)
{
    for (std::size_t i = length; i >= 2; --i)
        if (name[i - 2] == ':' && name[i - 1] == ':')
            return name + i - 2;
    return nullptr;
}
} // namespace

CRunTimeObjectInfo* CRunTimeObjectInfo::fs_GetNodeByPath(const char* path, std::size_t length)
{
    CRunTimeObjectInfo* node = &fs_Root();
    const char* p = path;
    const char* end = path + length;
    while (p < end)
    {
        const char* separator = p;
        while (separator < end && !(separator + 1 < end && separator[0] == ':' && separator[1] == ':'))
            ++separator;
        CStr component(p, static_cast<std::size_t>(separator - p));
        auto found = node->m_Children.find(component.f_GetStr());
        if (found != node->m_Children.end())
            node = found->second;
        else
        {
            // A namespace or a base not registered yet: a placeholder, taken over later.
            auto* placeholder = new CRunTimeObjectInfoContainer(CRootTag{});
            placeholder->m_OwnedName = component;
            placeholder->m_pShortName = placeholder->m_OwnedName.f_GetStr();
            placeholder->m_pParent = node;
            placeholder->m_bOwnedByRegistry = true;
            node->m_Children.emplace(placeholder->m_pShortName, placeholder);
            node = placeholder;
        }
        p = separator < end ? separator + 2 : end;
    }
    return node;
}

void CRunTimeObjectInfo::f_Construct(const char* qualifiedName, const char* baseName, int registered)
{
    const std::size_t length = std::strlen(qualifiedName);
    CRunTimeObjectInfo* parent = &fs_Root();
    const char* shortName = qualifiedName;
    if (const char* separator = fg_FindLastSeparator(qualifiedName, length))
    {
        parent = fs_GetNodeByPath(qualifiedName, static_cast<std::size_t>(separator - qualifiedName));
        shortName = separator + 2;
    }
    CRunTimeObjectInfo* base = baseName ? fs_GetNodeByPath(baseName, std::strlen(baseName)) : nullptr;

    auto existing = parent->m_Children.find(shortName);
    if (existing != parent->m_Children.end())
    {
        CRunTimeObjectInfo* placeholder = existing->second;
        if (placeholder->m_Registered || !registered)
            TEV_THROW(NException::CException, "NTev::CRunTimeObjectInfo::f_Construct",
                      "This runtimeclass is already registered");
        // Take over what hangs on the placeholder.
        for (auto& child : placeholder->m_Children)
        {
            child.second->m_pParent = this;
            m_Children.emplace(child.first, child.second);
        }
        placeholder->m_Children.clear();
        for (CRunTimeObjectInfo* derived : placeholder->m_Derived)
        {
            derived->m_pBase = this;
            m_Derived.insert(derived);
        }
        placeholder->m_Derived.clear();
        if (placeholder->m_pBase)
            placeholder->m_pBase->m_Derived.erase(placeholder);
        placeholder->m_pBase = nullptr;
        parent->m_Children.erase(existing);
        placeholder->m_pParent = nullptr;
        delete placeholder;
    }

    m_pShortName = shortName;
    m_pParent = parent;
    m_Registered = registered;
    parent->m_Children.emplace(m_pShortName, this);
    if (base == this)
        base = nullptr;
    m_pBase = base;
    if (base)
        base->m_Derived.insert(this);
}

const CRunTimeObjectInfo* CRunTimeObjectInfo::f_FindChild(const char* shortName) const
{
    auto found = m_Children.find(shortName);
    return found != m_Children.end() ? found->second : nullptr;
}

const CRunTimeObjectInfo* CRunTimeObjectInfo::fs_Find(const char* qualifiedName)
{
    const CRunTimeObjectInfo* node = &fs_Root();
    const char* p = qualifiedName;
    for (;;)
    {
        const char* separator = std::strstr(p, "::");
        CStr component(p, separator ? static_cast<std::size_t>(separator - p) : std::strlen(p));
        node = node->f_FindChild(component.f_GetStr());
        if (!node || !separator)
            return node;
        p = separator + 2;
    }
}

bool CRunTimeObjectInfo::f_IsDerivedFrom(const CRunTimeObjectInfo* base) const noexcept
{
    for (const CRunTimeObjectInfo* record = this; record; record = record->m_pBase)
        if (record == base)
            return true;
    return false;
}

CStr CRunTimeObjectInfo::f_GetQualifiedName() const
{
    std::vector<const char*> parts;
    for (const CRunTimeObjectInfo* node = this; node && node->m_pParent; node = node->m_pParent)
        parts.push_back(node->m_pShortName);
    CStr name;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part)
    {
        if (!name.f_IsEmpty())
            name += "::";
        name += *part;
    }
    return name;
}

void* CRunTimeObjectInfoContainer::CreateObject(void*) const
{
    TEV_THROW(NException::CException, "NTev::CRunTimeObjectInfoContainer::CreateObject", mc_Unregistered);
}

void* CRunTimeObjectInfoContainer::CreateObject() const
{
    TEV_THROW(NException::CException, "NTev::CRunTimeObjectInfoContainer::CreateObject", mc_Unregistered);
}

std::size_t CRunTimeObjectInfoContainer::GetObjectSize() const
{
    TEV_THROW(NException::CException, "NTev::CRunTimeObjectInfoContainer::GetObjectSize", mc_Unregistered);
}

std::size_t CRunTimeObjectInfoContainer::GetObjectAlign() const
{
    TEV_THROW(NException::CException, "NTev::CRunTimeObjectInfoContainer::GetObjectAlign", mc_Unregistered);
}

void gf_ThrowRunTimeClass(const char* recordType, const CRunTimeObjectInfo& record, const char* operation,
                          const char* message)
{
    CFStr256 function;
    gf_Format(function, "NTev::{}<{}>::{}", recordType, record.f_GetQualifiedName(), operation);
    TEV_THROW(NException::CException, function.f_GetStr(), message);
}

} // namespace NTev
