#pragma once
// Work handed to the thread of a desktop, which runs it there: window operations must run on
// a thread of the desktop that holds the window.

#include "engine/MessageHook.h"

namespace NQuillon
{
class CMessageHook::CDesktopThreadJob
{
public:
    // Runs on the desktop thread.
    virtual void f_Run() = 0;

protected:
    ~CDesktopThreadJob() = default;
};
} // namespace NQuillon
