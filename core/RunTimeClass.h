#pragma once
// The registry of runtime classes: classes register themselves during static initialisation
// under a "::"-qualified name, with the name of their base class, and objects are created
// from a name held as text (the settings file stores actions by class name).
//
// A concrete class T is created as its runtime root type: T declares (or inherits) a type
// `CRunTimeRoot`, and CreateObject returns a pointer that is a valid `T::CRunTimeRoot*`.

#include "core/Str.h"

#include <cstddef>
#include <map>
#include <new>
#include <set>

namespace NTev
{
class CRunTimeObjectInfo
{
public:
    struct CNameLess
    {
        bool operator()(const char* left, const char* right) const noexcept;
    };
    // Derived records are kept in name order, so that lists built from them are the same
    // in every run.
    struct CRecordLess
    {
        bool operator()(const CRunTimeObjectInfo* left, const CRunTimeObjectInfo* right) const noexcept;
    };
    using CRecordSet = std::set<CRunTimeObjectInfo*, CRecordLess>;

    // Registers this record (registered 1) or a placeholder (registered 0). A null base
    // name means no base.
    CRunTimeObjectInfo(const char* qualifiedName, const char* baseName, int registered);
    CRunTimeObjectInfo(const CRunTimeObjectInfo&) = delete;
    CRunTimeObjectInfo& operator=(const CRunTimeObjectInfo&) = delete;
    // Takes the record out of its parent and out of its base's derived set.
    virtual ~CRunTimeObjectInfo();

    // Constructs an instance in memory supplied by the caller (null gives null).
    virtual void* CreateObject(void* memory) const = 0;
    // Allocates and constructs an instance (null when the allocation gives nothing).
    virtual void* CreateObject() const = 0;
    virtual std::size_t GetObjectSize() const = 0;
    virtual std::size_t GetObjectAlign() const = 0;

    const char* f_GetShortName() const noexcept { return m_pShortName; }
    // The qualified name, rebuilt from the path.
    CStr f_GetQualifiedName() const;
    const CRunTimeObjectInfo* f_GetParent() const noexcept { return m_pParent; }
    const CRunTimeObjectInfo* f_GetBase() const noexcept { return m_pBase; }
    bool f_IsRegistered() const noexcept { return m_Registered != 0; }
    const CRecordSet& f_GetDerived() const noexcept { return m_Derived; }
    const CRunTimeObjectInfo* f_FindChild(const char* shortName) const;
    // Whether this record is base or derives from it, directly or not.
    bool f_IsDerivedFrom(const CRunTimeObjectInfo* base) const noexcept;

    // The record of a qualified name, or null when any component is missing.
    static const CRunTimeObjectInfo* fs_Find(const char* qualifiedName);
    static const CRunTimeObjectInfo& fs_GetRoot();

protected:
    struct CRootTag
    {
    };
    explicit CRunTimeObjectInfo(CRootTag) noexcept;

private:
    friend class CRunTimeObjectInfoContainer;
    void f_Construct(const char* qualifiedName, const char* baseName, int registered);
    // The node for a "::" path, creating missing nodes as placeholders.
    static CRunTimeObjectInfo* fs_GetNodeByPath(const char* path, std::size_t length);
    static CRunTimeObjectInfo& fs_Root();

    const char* m_pShortName = "";
    CRunTimeObjectInfo* m_pParent = nullptr;
    std::map<const char*, CRunTimeObjectInfo*, CNameLess> m_Children;
    CRunTimeObjectInfo* m_pBase = nullptr;
    CRecordSet m_Derived;
    int m_Registered = 0;
    // Placeholders own their name; records the registry made are freed by it.
    CStr m_OwnedName;
    bool m_bOwnedByRegistry = false;
};

// Namespace nodes and placeholders: nothing to create.
class CRunTimeObjectInfoContainer final : public CRunTimeObjectInfo
{
public:
    using CRunTimeObjectInfo::CRunTimeObjectInfo;
    explicit CRunTimeObjectInfoContainer(CRootTag tag) noexcept : CRunTimeObjectInfo(tag) {}
    void* CreateObject(void* memory) const override;
    void* CreateObject() const override;
    std::size_t GetObjectSize() const override;
    std::size_t GetObjectAlign() const override;
};

// Shared throws of the typed records.
[[noreturn]] void gf_ThrowRunTimeClass(const char* recordType, const CRunTimeObjectInfo& record,
                                       const char* operation, const char* message);

// An abstract base class: registered, but nothing to create.
template <typename t_C>
class TRuntimeClassNamedBase final : public CRunTimeObjectInfo
{
public:
    TRuntimeClassNamedBase(const char* qualifiedName, const char* baseName = nullptr)
        : CRunTimeObjectInfo(qualifiedName, baseName, 1)
    {
    }
    void* CreateObject(void*) const override
    {
        gf_ThrowRunTimeClass(mc_Type, *this, "CreateObject", "Not valid on a base type");
    }
    void* CreateObject() const override
    {
        gf_ThrowRunTimeClass(mc_Type, *this, "CreateObject", "Not valid on a base type");
    }
    std::size_t GetObjectSize() const override
    {
        gf_ThrowRunTimeClass(mc_Type, *this, "GetObjectSize", "Not valid on a base type");
    }
    std::size_t GetObjectAlign() const override
    {
        gf_ThrowRunTimeClass(mc_Type, *this, "GetObjectAlign", "Not implemented");
    }

private:
    static constexpr const char* mc_Type = "TRuntimeClassNamedBase";
};

// A concrete class: created default-constructed, as a pointer to t_C::CRunTimeRoot.
template <typename t_C>
class TRuntimeClassNamed final : public CRunTimeObjectInfo
{
public:
    using CRoot = typename t_C::CRunTimeRoot;

    TRuntimeClassNamed(const char* qualifiedName, const char* baseName = nullptr)
        : CRunTimeObjectInfo(qualifiedName, baseName, 1)
    {
    }
    void* CreateObject(void* memory) const override
    {
        return memory ? static_cast<CRoot*>(new (memory) t_C()) : nullptr;
    }
    void* CreateObject() const override { return static_cast<CRoot*>(new (std::nothrow) t_C()); }
    std::size_t GetObjectSize() const override { return sizeof(t_C); }
    std::size_t GetObjectAlign() const override
    {
        gf_ThrowRunTimeClass("TRuntimeClassNamed", *this, "GetObjectAlign", "Not implemented");
    }
};
} // namespace NTev
