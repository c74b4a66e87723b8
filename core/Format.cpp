#include "core/Format.h"

#include "core/DebugOutput.h"
#include "core/Exception.h"
#include "core/Memory.h"

#include <cstdlib>

namespace NTev::NStr
{
namespace
{
constexpr char mc_OutOfRange[] = "###format var out of range###";

bool fg_IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char fg_Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A blank, "*", ",", "}" or the end: what cannot begin an option code.
bool fg_EndsCode(char c)
{
    return c == ' ' || c == '*' || c == ',' || c == '}' || c == 0;
}

std::int64_t fg_ReadDecimal(const char*& p, const char* end)
{
    std::uint64_t value = 0;
    while ((end == nullptr || p < end) && fg_IsDigit(*p))
        value = value * 10 + static_cast<std::uint64_t>(*p++ - '0');
    return static_cast<std::int64_t>(value);
}
} // namespace

// ---- output --------------------------------------------------------------------------------

bool CFormatOutput::fp_Reserve(std::size_t extra)
{
    if (!m_pStr)
        return m_Len + 1 < m_Capacity;
    if (m_Len + extra + 1 > m_Capacity)
    {
        // Grow 32 bytes ahead of the text being copied.
        m_pBuffer = m_pStr->f_SetCapacity(m_Len + extra + 32);
        m_Capacity = m_pStr->f_GetCapacity();
    }
    return true;
}

void CFormatOutput::f_Write(const char* text, std::size_t length)
{
    if (length == 0 || !fp_Reserve(length))
        return;
    std::size_t room = m_Capacity - 1 - m_Len;
    if (length > room)
        length = room;
    std::memcpy(m_pBuffer + m_Len, text, length);
    m_Len += length;
    // Kept terminated: growing the block measures the text.
    m_pBuffer[m_Len] = 0;
}

void CFormatOutput::f_WriteFill(char fill, std::size_t count)
{
    if (count == 0 || !fp_Reserve(count))
        return;
    std::size_t room = m_Capacity - 1 - m_Len;
    if (count > room)
        count = room;
    std::memset(m_pBuffer + m_Len, fill, count);
    m_Len += count;
    m_pBuffer[m_Len] = 0;
}

void CFormatOutput::f_Finish()
{
    if (m_pStr)
    {
        if (m_Len == 0)
        {
            m_pStr->f_Clear();
            return;
        }
        m_pBuffer[m_Len] = 0;
        if (m_Capacity - (m_Len + 1) > 32)
            m_pStr->f_SetCapacity(m_Len + 1);
        return;
    }
    if (m_Capacity)
        m_pBuffer[m_Len] = 0;
}

// ---- options and justification ---------------------------------------------------------------

std::int64_t CStrFormatType::fs_ReadNumber(const char* value, const char* valueEnd, CStrAggregate& aggregate,
                                           std::int64_t defaultValue)
{
    if (value < valueEnd && *value == '*')
    {
        ++value;
        std::int64_t index = value < valueEnd && fg_IsDigit(*value) ? fg_ReadDecimal(value, valueEnd)
                                                                    : aggregate.f_TakeAutoIndex();
        const CStrFormatType* arg = aggregate.f_GetArg(index);
        return arg ? arg->f_GetInt() : defaultValue;
    }
    return fg_ReadDecimal(value, valueEnd);
}

bool CStrFormatType::f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                                   const char* valueEnd, CStrAggregate& aggregate) const
{
    constexpr std::int64_t unlimited = std::numeric_limits<std::int64_t>::max();
    switch (code1)
    {
        case 'L':
            if (code2 != 0)
                return false;
            options.m_Width = fs_ReadNumber(value, valueEnd, aggregate, 0);
            return true;
        case 'M':
            if (code2 != 0)
                return false;
            options.m_MaxLength = fs_ReadNumber(value, valueEnd, aggregate, unlimited);
            return true;
        case 'S':
            switch (code2)
            {
                case 'J':
                case 'Z':
                {
                    // A missing argument leaves both at their defaults.
                    constexpr std::int64_t missing = std::numeric_limits<std::int64_t>::min();
                    std::int64_t exact = fs_ReadNumber(value, valueEnd, aggregate, missing);
                    options.m_Width = exact == missing ? 0 : exact;
                    options.m_MaxLength = exact == missing ? unlimited : exact;
                    return true;
                }
                case 'L':
                    options.m_Width = fs_ReadNumber(value, valueEnd, aggregate, 0);
                    return true;
                case 'M':
                    options.m_MaxLength = fs_ReadNumber(value, valueEnd, aggregate, unlimited);
                    return true;
                case 'F':
                    if (value < valueEnd)
                        options.m_Fill = *value;
                    return true;
            }
            return false;
        case 'A':
            if (code2 == '+')
            {
                options.m_AlignCount = fs_ReadNumber(value, valueEnd, aggregate, 0);
                options.m_bSimpleRightJustify = options.m_AlignCount != 0;
                return true;
            }
            if (code2 == '-')
            {
                options.m_AlignCount = fs_ReadNumber(value, valueEnd, aggregate, 0);
                options.m_bKeepLeading = 1;
                options.m_bSimpleRightJustify = 0;
                return true;
            }
            return false;
    }
    return false;
}

void CStrFormatType::fp_ParseOptions(TFormatOptions& options, CFormatOutput& output, const char* p,
                                     CStrAggregate& aggregate) const
{
    while (*p && *p != '}')
    {
        if (fg_EndsCode(*p))
        {
            // An empty option (a leading blank disables it): skip to the next ",".
            while (*p && *p != ',' && *p != '}')
                ++p;
            if (*p == ',')
                ++p;
            continue;
        }
        char code1 = fg_Upper(*p++);
        char code2 = 0;
        if (!fg_IsDigit(*p))
        {
            if (*p == ' ')
                ++p;
            else if (!fg_EndsCode(*p))
                code2 = fg_Upper(*p++);
        }
        const char* value = p;
        while (*p && *p != ',' && *p != '}')
            ++p;
        if (!f_ParseOption(options, code1, code2, value, p, aggregate))
        {
            const char codes[3] = {code1, code2, 0};
            output.f_Write("| format specifier unknown (", 28);
            output.f_Write(codes, code2 ? 2 : 1);
            output.f_Write(") |", 3);
        }
        if (*p == ',')
            ++p;
    }
}

void CStrFormatType::fs_Justify(CFormatOutput& output, const TFormatOptions& options, const char* text,
                                std::size_t length)
{
    const std::int64_t n = static_cast<std::int64_t>(length);
    if (options.m_bSimpleRightJustify)
    {
        if (n < options.m_Width)
        {
            output.f_WriteFill(options.m_Fill, static_cast<std::size_t>(options.m_Width - n));
            output.f_Write(text, length);
        }
        else if (n > options.m_MaxLength)
        {
            std::int64_t keep = options.m_MaxLength < 0 ? 0 : options.m_MaxLength;
            output.f_Write(text + (n - keep), static_cast<std::size_t>(keep));
        }
        else
            output.f_Write(text, length);
        return;
    }

    std::int64_t before;
    std::int64_t after;
    if (options.m_bKeepLeading)
    {
        before = options.m_AlignCount >= options.m_PrefixLength
                     ? options.m_AlignCount - options.m_PrefixLength
                     : options.m_AlignCount;
        after = options.m_Width - before - n;
    }
    else
    {
        after = 0;
        before = options.m_Width - n;
    }
    if (before < 0)
        before = 0;
    if (after < 0)
        after = 0;
    std::int64_t shown = n;
    if (options.m_MaxLength - before - after < n)
    {
        shown = options.m_MaxLength - before - after;
        if (shown < 0)
            shown = 0;
        if (!options.m_bKeepLeading)
            text += n - shown;
    }
    output.f_WriteFill(options.m_Fill, static_cast<std::size_t>(before));
    output.f_Write(text, static_cast<std::size_t>(shown));
    output.f_WriteFill(options.m_Fill, static_cast<std::size_t>(after));
}

// ---- integers --------------------------------------------------------------------------------

bool CStrFormatType_Int::f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                                       const char* valueEnd, CStrAggregate& aggregate) const
{
    if (code1 != 'N')
        return CStrFormatType::f_ParseOption(options, code1, code2, value, valueEnd, aggregate);
    switch (code2)
    {
        case '+':
            options.m_bShowSign = 1;
            return true;
        case 'B':
            options.m_Base = 2;
            return true;
        case 'O':
            options.m_Base = 8;
            return true;
        case 'H':
            options.m_Base = 16;
            return true;
        case 'F':
        {
            char letter = value < valueEnd ? fg_Upper(*value) : 0;
            if (letter == 'B')
                options.m_Base = 2;
            else if (letter == 'O')
                options.m_Base = 8;
            else if (letter == 'H')
                options.m_Base = 16;
            else if (letter == 'N' || value == valueEnd)
                options.m_Base = 10;
            else
            {
                std::int64_t base = fs_ReadNumber(value, valueEnd, aggregate, 10);
                options.m_Base = static_cast<std::int32_t>(base < 2 ? 2 : base > 36 ? 36 : base);
            }
            return true;
        }
        case 'C':
            options.m_bCapitals = !(value < valueEnd && *value == '0');
            return true;
        case 'S':
            if (value < valueEnd)
                options.m_GroupSeparator = *value;
            return true;
        case 'T':
            options.m_GroupSeparator = static_cast<char>(fs_ReadNumber(value, valueEnd, aggregate, 0));
            return true;
    }
    return false;
}

void CStrFormatType_Int::f_FormatValue(CFormatOutput& output, const char* optionText,
                                       CStrAggregate& aggregate) const
{
    TFormatOptions options;
    fp_ParseOptions(options, output, optionText, aggregate);

    char buffer[96];
    char* end = buffer + sizeof(buffer);
    char* p = end;
    std::uint64_t magnitude = m_Magnitude;
    if (magnitude == 0)
        *--p = '0';
    else
    {
        if (m_bNegative)
            options.m_bShowSign = 1;
        const std::uint64_t base = static_cast<std::uint64_t>(options.m_Base);
        const char letterBase = options.m_bCapitals ? 'A' : 'a';
        const bool group = options.m_GroupSeparator != 0 && base >= 8 && base <= 10;
        int digits = 0;
        while (magnitude)
        {
            if (group && digits && digits % 3 == 0)
                *--p = options.m_GroupSeparator;
            unsigned digit = static_cast<unsigned>(magnitude % base);
            *--p = static_cast<char>(digit < 10 ? '0' + digit : letterBase + (digit - 10));
            magnitude /= base;
            ++digits;
        }
        if (options.m_bShowSign)
        {
            *--p = m_bNegative ? '-' : '+';
            options.m_PrefixLength = 1;
        }
    }
    fs_Justify(output, options, p, static_cast<std::size_t>(end - p));
}

std::int64_t CStrFormatType_Int::f_GetInt() const
{
    return m_bNegative ? static_cast<std::int64_t>(std::uint64_t(0) - m_Magnitude)
                       : static_cast<std::int64_t>(m_Magnitude);
}

double CStrFormatType_Int::f_GetDouble() const
{
    return m_bNegative ? -static_cast<double>(m_Magnitude) : static_cast<double>(m_Magnitude);
}

// ---- strings ---------------------------------------------------------------------------------

bool CStrFormatType_String::f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                                          const char* valueEnd, CStrAggregate& aggregate) const
{
    if (code1 == 'C' && (code2 == 'U' || code2 == 'L'))
    {
        options.m_CaseConversion = code2 == 'U' ? 1 : 2;
        return true;
    }
    return CStrFormatType::f_ParseOption(options, code1, code2, value, valueEnd, aggregate);
}

void CStrFormatType_String::f_FormatValue(CFormatOutput& output, const char* optionText,
                                          CStrAggregate& aggregate) const
{
    TFormatOptions options;
    fp_ParseOptions(options, output, optionText, aggregate);
    if (!options.m_CaseConversion)
    {
        fs_Justify(output, options, m_pText, m_Length);
        return;
    }
    // Converted texts use the stack up to 511 characters and the heap beyond.
    char stackBuffer[512];
    char* buffer = stackBuffer;
    if (m_Length >= sizeof(stackBuffer))
        buffer = static_cast<char*>(NSys::gf_Mem_Alloc(m_Length));
    for (std::size_t i = 0; i < m_Length; ++i)
    {
        char c = m_pText[i];
        if (options.m_CaseConversion == 1 && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (options.m_CaseConversion == 2 && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        buffer[i] = c;
    }
    fs_Justify(output, options, buffer, m_Length);
    if (buffer != stackBuffer)
        NSys::gf_Mem_Free(buffer);
}

std::int64_t CStrFormatType_String::f_GetInt() const
{
    const char* p = m_pText;
    const char* end = m_pText + m_Length;
    while (p < end && !fg_IsDigit(*p) && *p != '+' && *p != '-')
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    unsigned base = 10;
    if (p + 1 < end && *p == '0')
    {
        char prefix = fg_Upper(p[1]);
        base = prefix == 'X' ? 16 : prefix == 'B' ? 2 : prefix == 'O' ? 8 : 10;
        if (base != 10)
            p += 2;
    }
    std::uint64_t value = 0;
    for (; p < end; ++p)
    {
        char c = fg_Upper(*p);
        unsigned digit = fg_IsDigit(c)            ? unsigned(c - '0')
                         : (c >= 'A' && c <= 'Z') ? unsigned(c - 'A' + 10)
                                                  : 99;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? static_cast<std::int64_t>(std::uint64_t(0) - value) : static_cast<std::int64_t>(value);
}

double CStrFormatType_String::f_GetDouble() const
{
    char buffer[128];
    std::size_t n = m_Length < sizeof(buffer) - 1 ? m_Length : sizeof(buffer) - 1;
    std::memcpy(buffer, m_pText, n);
    buffer[n] = 0;
    return std::strtod(buffer, nullptr);
}

// ---- pattern scanning ------------------------------------------------------------------------

void fg_FormatArgs(CFormatOutput& output, const char* pattern, CFormatArgs args)
{
    CStrAggregate aggregate(args.begin(), args.size());
    const char* p = pattern ? pattern : "";
    for (;;)
    {
        const char* run = p;
        while (*p && *p != '{')
            ++p;
        output.f_Write(run, static_cast<std::size_t>(p - run));
        if (!*p)
            break;
        ++p;
        if (!*p)
            break; // a pattern that ends right after "{"
        if (*p == '{')
        {
            output.f_Write("{", 1);
            ++p;
            continue;
        }

        std::int64_t index;
        bool haveIndex = true;
        if (fg_IsDigit(*p))
        {
            index = fg_ReadDecimal(p, nullptr);
            while (*p == ' ')
                ++p;
            if (*p == ',')
                ++p;
        }
        else if (*p == '*')
        {
            ++p;
            std::int64_t holder = fg_IsDigit(*p) ? fg_ReadDecimal(p, nullptr) : aggregate.f_TakeAutoIndex();
            while (*p == ' ')
                ++p;
            if (*p == ',')
                ++p;
            const CStrFormatType* holderArg = aggregate.f_GetArg(holder);
            haveIndex = holderArg != nullptr;
            index = haveIndex ? holderArg->f_GetInt() : 0;
            if (!haveIndex)
                output.f_Write(mc_OutOfRange, sizeof(mc_OutOfRange) - 1);
        }
        else
            index = aggregate.f_TakeAutoIndex();

        if (haveIndex)
        {
            if (index < 0)
                index = aggregate.f_TakeAutoIndex();
            if (const CStrFormatType* arg = aggregate.f_GetArg(index))
                arg->f_FormatValue(output, p, aggregate);
            else
                output.f_Write(mc_OutOfRange, sizeof(mc_OutOfRange) - 1);
        }

        while (*p && *p != '}')
            ++p;
        if (!*p)
            break; // an unterminated placeholder ends the pattern
        ++p;
    }
    output.f_Finish();
}

void fg_FormatArgs(CStr& target, const char* pattern, CFormatArgs args)
{
    // Built aside, so that the target may also be one of the arguments.
    CStr result;
    CFormatOutput output(result);
    fg_FormatArgs(output, pattern, args);
    target = static_cast<CStr&&>(result);
}

void fg_FormatArgs(char* buffer, std::size_t capacity, std::int64_t& length, const char* pattern,
                   CFormatArgs args)
{
    CFormatOutput output(buffer, capacity);
    fg_FormatArgs(output, pattern, args);
    length = static_cast<std::int64_t>(output.f_GetLen());
}

void fg_DebugOutputArgs(const char* pattern, CFormatArgs args) noexcept
{
    try
    {
        CStr text;
        fg_FormatArgs(text, pattern, args);
        NSys::gf_DebugOutputText(text.f_GetStr());
    }
    catch (NException::CExceptionMemory&)
    {
    }
}
} // namespace NTev::NStr
