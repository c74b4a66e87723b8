#pragma once
// Where an engine reads and writes Settings.dat, and as whom. The service applies the settings
// of the user at the console: it uses that user's folder while acting as that user, so that a
// link the user made reaches nothing the user could not read or write. An engine without a
// source uses its settings directory as itself.

#include "core/Str.h"

namespace NQuillon
{
class ICSettingsSource
{
public:
    virtual ~ICSettingsSource() = default;
    // The folder of Settings.dat.
    virtual const NTev::CStr& f_GetDirectory() const noexcept = 0;
    // Called on the thread that is about to use the folder, and f_Leave after; false when the
    // folder is not to be used now (nothing is read or written).
    virtual bool f_Enter() = 0;
    virtual void f_Leave() noexcept = 0;
};

// Enters a source for the life of the scope; a source this thread has entered already is not
// entered again, so that a save inside a load stays inside the load's use of the folder.
class CSettingsSourceScope
{
public:
    explicit CSettingsSourceScope(ICSettingsSource* pSource);
    ~CSettingsSourceScope();
    CSettingsSourceScope(const CSettingsSourceScope&) = delete;
    CSettingsSourceScope& operator=(const CSettingsSourceScope&) = delete;

    // Whether the folder may be used: no source, or it was entered.
    bool f_IsOpen() const noexcept { return m_bOpen; }

private:
    ICSettingsSource* m_pEntered = nullptr;
    ICSettingsSource* m_pOuter = nullptr;
    bool m_bOpen = true;
};
} // namespace NQuillon
