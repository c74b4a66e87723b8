#pragma once
// When the channel counts its client as dropped by the filter driver, from what the handle
// answers. The contract itself is written down in win32/KeyboardQueueThread.h; this is its
// decision, kept apart from the Windows calls so that it is tested on every platform.

#include <cstdint>

namespace NQuillon
{
class CDriverDropRule
{
public:
    static constexpr std::uint32_t mc_SizeDropped = 1;
    static constexpr std::uint32_t mc_SizeInvalid = 0xFFFFFFFF;
    static constexpr unsigned mc_ReadFailuresForDrop = 3;

    // A new handle: nothing is known of it.
    void f_OnOpened() noexcept;
    // The answer to the size query; true when it says the client was dropped. 0xFFFFFFFF says
    // so only from a handle that answered with a size before: a device whose query never
    // reaches a driver (stand-ins) answers nothing else.
    bool f_OnSize(std::uint32_t size) noexcept;
    // A failed read; otherEndGone: the error says the other end went away. True when dropped.
    bool f_OnReadFailed(bool otherEndGone) noexcept;
    void f_OnReadSucceeded() noexcept { m_ReadFailures = 0; }
    // A failed write; true when it says the client was dropped. Remembered until the next open.
    bool f_OnWriteFailed(bool otherEndGone) noexcept;
    // A failed write said so since the last open.
    bool f_IsDroppedByWrite() const noexcept { return m_bWriteDropped; }

private:
    bool m_bSizeAnswered = false;
    bool m_bWriteDropped = false;
    unsigned m_ReadFailures = 0;
};
} // namespace NQuillon
