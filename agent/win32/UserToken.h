#pragma once
// The token of a session's user, owned: closed when it goes.

#include <windows.h>
#include <wtsapi32.h>

#include <cstdint>
#include <memory>

namespace NQuillon
{
struct CHandleCloser
{
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using CHandle = std::unique_ptr<void, CHandleCloser>;

// The session user's primary token (the service's right to it); null when nobody is logged on
// there or the token cannot be had.
inline CHandle gf_QueryUserToken(std::uint32_t session)
{
    HANDLE token = nullptr;
    if (!WTSQueryUserToken(session, &token))
        return nullptr;
    return CHandle(token);
}
} // namespace NQuillon
