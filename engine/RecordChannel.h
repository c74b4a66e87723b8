#pragma once
// The one way out of the engine: every record it writes goes through these two operations.
// The filter-driver channel implements them on Windows; a recorder captures them in tests and
// in the simulator.

#include "engine/DriverRecord.h"

namespace NQuillon
{
class ICRecordChannel
{
public:
    virtual void f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data) = 0;
    virtual void f_WriteMouseRecord(const MOUSE_INPUT_DATA& data) = 0;

protected:
    ~ICRecordChannel() = default;
};
} // namespace NQuillon
