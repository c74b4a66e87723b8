#pragma once
// Reading a whole input file for the command-line tools, with a reason when it cannot be read
// (a directory, a missing or unreadable file) instead of a stream exception.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace NQuillonTools
{
// The content of the file at path; false with a short reason ("is a directory", ...).
inline bool gf_ReadWholeFile(const std::string& path, std::string& content, std::string& reason)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
    {
        reason = "is a directory";
        return false;
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        reason = errno ? std::strerror(errno) : "cannot be opened";
        return false;
    }
    try
    {
        content.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    catch (const std::exception&)
    {
        // A read error (a special file, an I/O error) surfaces as a stream exception.
        reason = "cannot be read";
        return false;
    }
    if (file.bad())
    {
        reason = "cannot be read";
        return false;
    }
    return true;
}
} // namespace NQuillonTools
