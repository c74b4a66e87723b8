#pragma once
// Names in settings files are 8-bit text in the Windows ANSI code page; JSON is UTF-8. The
// conversion maps every byte to one character and back, so that each name survives a dump and
// a build byte for byte, including the bytes the code page leaves undefined (they stand for
// the control characters of the same number, as Windows itself converts them).

#include <array>
#include <map>
#include <string>

namespace NQuillonConfigTool
{
class CCodePage
{
public:
    // Windows-1252 (Western European), the default.
    CCodePage();
    // "1252" or "28591" (ISO 8859-1: every byte is the character of the same number); false
    // for any other name.
    static bool fs_FromName(const std::string& name, CCodePage& codePage);
    const std::string& f_GetName() const noexcept { return m_Name; }

    std::string f_ToUtf8(const std::string& bytes) const;
    // False with the reason when a character has no byte in this code page; utf8 must be
    // valid UTF-8 (the JSON reader checks that).
    bool f_FromUtf8(const std::string& utf8, std::string& bytes, std::string& reason) const;

private:
    void fp_BuildReverse();

    std::string m_Name;
    std::array<char32_t, 256> m_ToUnicode{};
    std::map<char32_t, unsigned char> m_FromUnicode;
};
} // namespace NQuillonConfigTool
