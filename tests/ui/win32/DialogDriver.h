#pragma once
// Drives a dialog of this process the way a user does: the dialog runs on its own thread, the
// test finds its window by title and its controls by id, types, chooses, presses keys and
// clicks. Keys are posted to the control that has the focus, so that they pass through the
// dialog's own message loop (Tab, Enter and Escape included).

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace NQuillonTest
{
// The top-level dialog with that title, once it is visible (null after about 5 s).
HWND gf_WaitForDialog(const char* title);
// The dialog with that title owned by owner (a message box), once it is visible.
HWND gf_WaitForOwnedDialog(HWND owner, const char* title);
// Whether no visible window has that title within about 0.5 s (it closed or never opened).
bool gf_IsGone(const char* title);

std::string gf_Text(HWND window);
// The text of the control with that id, once it equals expected (the last text read when it
// does not within about 5 s).
std::string gf_WaitForText(HWND dialog, int id, const std::string& expected);
// The control that has the focus in the dialog's thread.
HWND gf_Focus(HWND dialog);

// Types text into the focused control, replacing what it holds.
void gf_Type(HWND dialog, const std::string& text);
// Presses and releases a key on the focused control.
void gf_PressKey(HWND dialog, WPARAM virtualKey);
// Chooses the entry with that text in a drop-down list; false when there is none.
bool gf_Choose(HWND comboBox, const std::string& text);
std::string gf_ChosenText(HWND comboBox);
void gf_Click(HWND button);
void gf_Close(HWND window);

// Runs a dialog on a thread of its own; the future gives what it returned.
template <class t_CFunction>
auto gf_RunDialog(t_CFunction function)
{
    return std::async(std::launch::async, std::move(function));
}
template <class t_CResult>
bool gf_Ends(std::future<t_CResult>& result)
{
    return result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
}
} // namespace NQuillonTest
