#pragma once
// Starting a program as the user of the desktop, unelevated, from an elevated process (the
// installer's): the desktop shell is asked to start it, through its documented automation
// interfaces (IShellWindows, IShellDispatch2). Taking the elevated token apart instead would
// start it as whoever elevated, at the wrong integrity, and with an administrator's
// credentials on a standard user's desktop, as the wrong user.

#include <string>

namespace NQuillon
{
// Has the shell of this desktop start the program with the arguments in the directory.
// False, with the reason in failure, when there is no desktop shell (session 0, nobody signed
// in, a shell without automation) or it refused.
bool gf_StartAsDesktopUser(const std::string& program, const std::string& arguments,
                           const std::string& directory, std::string& failure);
} // namespace NQuillon
