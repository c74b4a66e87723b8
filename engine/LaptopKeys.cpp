#include "engine/LaptopKeys.h"

#include "engine/InputState.h"

#include <cstring>

namespace NQuillon
{
bool gf_IsLaptopKeyCollection(const char* deviceName) noexcept
{
    return std::strstr(deviceName, "Vid_05ac&Pid_0218&MI_02") ||
           std::strstr(deviceName, "Vid_05ac&Pid_0217&MI_02");
}

namespace
{
std::uint32_t gf_Read32(const std::uint8_t* at) noexcept
{
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}
} // namespace

bool gf_ParseRawHidPacket(const void* data, std::size_t size, std::size_t headerSize,
                          CMessageHook::CRawHidPacket& packet) noexcept
{
    // Header: type, size, device handle, wParam (handles and wParam at pointer width).
    const std::size_t pointerSize = (headerSize - 8) / 2;
    if ((pointerSize != 4 && pointerSize != 8) || size < headerSize + 8)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    packet.m_Type = gf_Read32(bytes);
    packet.m_Device = pointerSize == 8 ? (gf_Read32(bytes + 8) | std::uint64_t(gf_Read32(bytes + 12)) << 32)
                                       : gf_Read32(bytes + 8);
    packet.m_ReportSize = gf_Read32(bytes + headerSize);
    packet.m_ReportCount = gf_Read32(bytes + headerSize + 4);
    packet.m_pReports = bytes + headerSize + 8;
    // Counts from the packet are checked against its size before any report is read.
    const std::uint64_t reportBytes = std::uint64_t(packet.m_ReportSize) * packet.m_ReportCount;
    return reportBytes <= size - headerSize - 8;
}

bool CMessageHook::f_OnLaptopKeyReports(const CRawHidPacket& packet)
{
    if (packet.m_Type != CRawHidPacket::mc_TypeHid || packet.m_ReportSize != 2)
        return false;
    bool handled = false;
    for (std::uint32_t i = 0; i < packet.m_ReportCount; ++i)
    {
        CLockGuard lock(m_Lock);
        // The service evaluates the key; its default processing goes on here meanwhile, as
        // for a key that passes, since the answer may not wait for the service.
        if (ICEjectKeySink* sink = m_pEjectKeySink.load(); sink && m_CaptureMode == 0)
        {
            sink->f_OnEjectKey(packet.m_pReports[i * 2 + 1] == 1);
            continue;
        }
        handled |= f_EvaluateEjectKey(packet.m_pReports[i * 2 + 1] == 1);
    }
    return handled;
}

void CMessageHook::f_SetEjectKeySink(ICEjectKeySink* sink) noexcept
{
    CLockGuard lock(m_Lock);
    if (m_pEjectKeySink.exchange(sink) != sink)
        m_bRefreshPending = true; // registration's sink flag follows
}
} // namespace NQuillon
