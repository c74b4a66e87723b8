#include "tools/config/CodePage.h"

#include <cstdio>

namespace NQuillonConfigTool
{
namespace
{
// Windows-1252 at 0x80 to 0x9F; the five undefined bytes keep their own number.
constexpr char32_t mc_Windows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void fg_AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
} // namespace

CCodePage::CCodePage() : m_Name("1252")
{
    for (char32_t c = 0; c < 256; ++c)
        m_ToUnicode[c] = c >= 0x80 && c < 0xA0 ? mc_Windows1252High[c - 0x80] : c;
    fp_BuildReverse();
}

bool CCodePage::fs_FromName(const std::string& name, CCodePage& codePage)
{
    if (name == "1252")
    {
        codePage = CCodePage();
        return true;
    }
    if (name == "28591")
    {
        codePage.m_Name = name;
        for (char32_t c = 0; c < 256; ++c)
            codePage.m_ToUnicode[c] = c;
        codePage.fp_BuildReverse();
        return true;
    }
    return false;
}

void CCodePage::fp_BuildReverse()
{
    m_FromUnicode.clear();
    for (std::size_t byte = 0; byte < 256; ++byte)
        m_FromUnicode[m_ToUnicode[byte]] = static_cast<unsigned char>(byte);
}

std::string CCodePage::f_ToUtf8(const std::string& bytes) const
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char byte : bytes)
        fg_AppendUtf8(out, m_ToUnicode[byte]);
    return out;
}

bool CCodePage::f_FromUtf8(const std::string& utf8, std::string& bytes, std::string& reason) const
{
    bytes.clear();
    for (std::size_t i = 0; i < utf8.size();)
    {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (lead >= 0x80 && lead < 0xC0)
        {
            reason = "not UTF-8";
            return false;
        }
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length; ++k)
        {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80)
            {
                reason = "not UTF-8";
                return false;
            }
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        auto found = m_FromUnicode.find(c);
        if (found == m_FromUnicode.end())
        {
            char text[80];
            std::snprintf(text, sizeof text, "character U+%04X is not in code page %s",
                          static_cast<unsigned>(c), m_Name.c_str());
            reason = text;
            return false;
        }
        bytes += static_cast<char>(found->second);
        i += length;
    }
    return true;
}
} // namespace NQuillonConfigTool
