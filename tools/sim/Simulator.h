#pragma once
// Runs the real engine in virtual time from a script of input events and prints every record
// it writes. Shared by quillon-sim and the transcript tests.
//
// Script tokens, separated by white space ("#" comments to the end of the line):
//   d:KEY u:KEY   a driver record of KEY going down or up (key names as in the name tables;
//                 Mouse-Left ... Mouse-5 are mouse buttons)
//   w:N           a mouse wheel record with button data N
//   m:X,Y ma:X,Y  a relative or absolute movement record
//   e:d e:u       the laptop's Eject key (key number 100) through raw input
//   t:N           advance virtual time by N ms; the repeat tick runs at every 2 ms boundary
//                 (idle stretches are jumped over; the output is the same)
//   l:FILE        load the settings file FILE in place of the configuration, as the engine
//                 does when Settings.dat changes (keys held stay held where they still can be)
// Output lines: "<ms> kbd <NAME> make|break", "<ms> mouse <BUTTON> down|up",
// "<ms> mouse wheel <N>", "<ms> mouse move <X>,<Y>[ abs]"; lines starting with "#" are notes.

#include "core/VirtualClock.h"
#include "engine/MessageHook.h"
#include "engine/RecordChannel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace NQuillonSim
{
// A script or settings problem, with the text to show the user.
struct CSimError
{
    std::string m_Message;
};

class CSimulator final : public NQuillon::ICRecordChannel
{
public:
    explicit CSimulator(std::ostream& output);
    ~CSimulator();

    // Loads a settings file image (throws CSimError naming the file when it cannot be read).
    void f_LoadSettingsFile(const std::string& path);
    void f_LoadSettingsImage(const std::vector<unsigned char>& bytes, const std::string& name);
    // Throws CSimError when no table has the name.
    void f_ActivateTable(const std::string& name);
    // Runs a script; throws CSimError naming the first bad token (nothing of the script runs
    // then).
    void f_RunScript(const std::string& script);

    NQuillon::CMessageHook& f_GetEngine() { return *m_pEngine; }
    // Also hands every record the engine writes to observer (null: none); for tests that
    // check the output rather than read it.
    void f_SetObserver(NQuillon::ICRecordChannel* observer) noexcept { m_pObserver = observer; }
    // Where "l:NAME" takes its settings image from (throws CSimError when there is none);
    // unset, NAME is a settings file's path.
    void f_SetSettingsLoader(std::function<std::vector<unsigned char>(const std::string&)> loader)
    {
        m_SettingsLoader = std::move(loader);
    }

    void f_WriteKeyboardRecord(const NQuillon::KEYBOARD_INPUT_DATA& data) override;
    void f_WriteMouseRecord(const NQuillon::MOUSE_INPUT_DATA& data) override;

private:
    struct CStep;
    std::vector<CStep> fp_Parse(const std::string& script);
    void fp_Run(const CStep& step);
    void fp_Advance(std::int64_t milliseconds);
    // The earliest simulator time (ms) at which a repeat tick may act; infinite when none.
    double fp_GetEarliestDueMs();
    void fp_NoteTableChange();

    std::ostream& m_Output;
    NTev::CVirtualClock m_Clock;
    NTev::CTimeSourceScope m_ClockScope;
    std::unique_ptr<NQuillon::CMessageHook> m_pEngine;
    std::int64_t m_NowMs = 0;
    std::string m_LastTable;
    NQuillon::ICRecordChannel* m_pObserver = nullptr;
    std::function<std::vector<unsigned char>(const std::string&)> m_SettingsLoader;
};
} // namespace NQuillonSim
