// POSIX backend of the program's path and command line, from /proc/self.

#include "core/CommandLine.h"

#include "core/Exception.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace NTev::NSys::NFile
{
NStr::CStr gfs_GetProgramPath()
{
    // The executable itself rather than argv[0], which names no directory when the program
    // was found through PATH.
    NStr::CStr path;
    for (std::size_t capacity = 256;; capacity *= 2)
    {
        char* buffer = path.f_SetCapacity(capacity);
        ssize_t length = ::readlink("/proc/self/exe", buffer, capacity);
        if (length < 0)
            TEV_THROW_SYSTEM_FILE("gfs_GetProgramPath", "GetFullPathName");
        if (static_cast<std::size_t>(length) < capacity)
        {
            path.f_SetLen(static_cast<std::size_t>(length));
            return path;
        }
    }
}

NStr::CStr gfs_GetCommandLine()
{
    // /proc/self/cmdline holds argv as NUL-terminated texts; they are joined into a command
    // line that splits back into the same arguments.
    std::vector<char> raw;
    int descriptor = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return NStr::CStr();
    char buffer[4096];
    for (;;)
    {
        ssize_t got = ::read(descriptor, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        raw.insert(raw.end(), buffer, buffer + got);
    }
    ::close(descriptor);

    const char* text = raw.data();
    std::size_t length = raw.size();
    std::vector<NStr::CStr> arguments;
    NStr::CStr programName;
    for (std::size_t start = 0; start < length;)
    {
        std::size_t end = start;
        while (end < length && text[end])
            ++end;
        NStr::CStr argument(text + start, end - start);
        if (start == 0)
            programName = argument;
        else
            arguments.push_back(argument);
        start = end + 1;
    }
    return gf_JoinCommandLine(programName.f_GetStr(), arguments);
}
} // namespace NTev::NSys::NFile
