#pragma once
// The laptop keyboard's Eject key arrives on a HID collection of its own, read through raw
// input. This is the portable part: recognising the collection by its device name and taking
// a raw-input packet apart.

#include "engine/MessageHook.h"

#include <cstddef>
#include <cstdint>

namespace NQuillon
{
// The HID reports of one raw-input packet (RAWINPUTHEADER followed by RAWHID).
struct CMessageHook::CRawHidPacket
{
    static constexpr std::uint32_t mc_TypeHid = 2;

    std::uint32_t m_Type = 0;
    // The device handle of the header, as a number.
    std::uint64_t m_Device = 0;
    std::uint32_t m_ReportSize = 0;
    std::uint32_t m_ReportCount = 0;
    // m_ReportCount reports of m_ReportSize bytes each.
    const std::uint8_t* m_pReports = nullptr;
};

// Interface 2 of either laptop keyboard model: a byte-wise, case-sensitive substring match.
bool gf_IsLaptopKeyCollection(const char* deviceName) noexcept;

// Takes a packet apart; the header is 24 bytes for 64-bit processes and 16 for 32-bit ones.
// False when the packet is too short for its header or for the reports it announces.
bool gf_ParseRawHidPacket(const void* data, std::size_t size, std::size_t headerSize,
                          CMessageHook::CRawHidPacket& packet) noexcept;
} // namespace NQuillon
