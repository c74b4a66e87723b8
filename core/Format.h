#pragma once
// The "{}" formatter. Call sites pack their arguments on the stack as small typed argument
// objects (a thin template layer); all scanning and formatting is done once, out of line,
// over a non-template list of them. Ordinary calls allocate nothing but the output.

#include "core/Str.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <type_traits>

namespace NTev::NStr
{
// Parsed options of one placeholder.
struct TFormatOptions
{
    std::int64_t m_Width = 0;
    std::int64_t m_MaxLength = std::numeric_limits<std::int64_t>::max();
    std::int64_t m_AlignCount = 0;
    std::int64_t m_PrefixLength = 0;
    std::int32_t m_bKeepLeading = 0;
    std::int32_t m_bSimpleRightJustify = 1;
    char m_Fill = ' ';
    std::int32_t m_Base = 10;
    std::int32_t m_bCapitals = 0;
    std::int64_t m_bShowSign = 0;
    char m_GroupSeparator = 0;
    std::int32_t m_CaseConversion = 0; // 0 none, 1 upper, 2 lower
};

// Where formatted text goes: a CStr that grows, or a fixed buffer that stops accepting
// characters when full.
class CFormatOutput
{
public:
    explicit CFormatOutput(CStr& target) noexcept : m_pStr(&target) {}
    CFormatOutput(char* buffer, std::size_t capacity) noexcept : m_pBuffer(buffer), m_Capacity(capacity) {}

    void f_Write(const char* text, std::size_t length);
    void f_WriteFill(char fill, std::size_t count);
    std::size_t f_GetLen() const noexcept { return m_Len; }
    // Terminates the text; a CStr output is trimmed (or released when empty).
    void f_Finish();

private:
    bool fp_Reserve(std::size_t extra);

    CStr* m_pStr = nullptr;
    char* m_pBuffer = nullptr;
    std::size_t m_Capacity = 0;
    std::size_t m_Len = 0;
};

class CStrFormatType;

// The arguments of one formatting call and the automatic index.
class CStrAggregate
{
public:
    CStrAggregate(const CStrFormatType* const* args, std::size_t count) noexcept
        : m_pArgs(args), m_Count(count)
    {
    }
    // The argument at index, or null when there is none.
    const CStrFormatType* f_GetArg(std::int64_t index) const noexcept
    {
        return index >= 0 && static_cast<std::size_t>(index) < m_Count ? m_pArgs[index] : nullptr;
    }
    std::int64_t f_TakeAutoIndex() noexcept { return m_NextAuto++; }

private:
    const CStrFormatType* const* m_pArgs;
    std::size_t m_Count;
    std::int64_t m_NextAuto = 0;
};

// Base of every argument type.
class CStrFormatType
{
public:
    virtual void f_Release() const {}
    virtual void f_Destroy() const {}
    // Writes the value at the output position, given the placeholder's option text.
    virtual void f_FormatValue(CFormatOutput& output, const char* options,
                               CStrAggregate& aggregate) const = 0;
    virtual int f_Reserved() const { return 0; }
    virtual std::int64_t f_GetInt() const = 0;
    virtual float f_GetFloat() const { return static_cast<float>(f_GetDouble()); }
    virtual double f_GetDouble() const = 0;
    // Accepts one option code (two uppercase letters, the second 0 when absent) with its
    // value text [value, valueEnd); false for a code the type does not know.
    virtual bool f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                               const char* valueEnd, CStrAggregate& aggregate) const;
    virtual std::size_t f_GetObjectSize() const = 0;

    // Reads a numeric option value: decimal digits, or "*" with an optional argument index.
    static std::int64_t fs_ReadNumber(const char* value, const char* valueEnd, CStrAggregate& aggregate,
                                      std::int64_t defaultValue);
    // Places a text of length n by the justification rules.
    static void fs_Justify(CFormatOutput& output, const TFormatOptions& options, const char* text,
                           std::size_t length);

protected:
    ~CStrFormatType() = default;
    // Walks the option list, handing each option to f_ParseOption.
    void fp_ParseOptions(TFormatOptions& options, CFormatOutput& output, const char* text,
                         CStrAggregate& aggregate) const;
};

template <typename t_CSelf>
class TICStrFormatType : public CStrFormatType
{
public:
    std::size_t f_GetObjectSize() const override { return sizeof(t_CSelf); }
};

// Integers of every width: the magnitude and the sign.
class CStrFormatType_Int : public CStrFormatType
{
public:
    CStrFormatType_Int(std::uint64_t magnitude, bool negative) noexcept
        : m_Magnitude(magnitude), m_bNegative(negative)
    {
    }
    void f_FormatValue(CFormatOutput& output, const char* options, CStrAggregate& aggregate) const override;
    std::int64_t f_GetInt() const override;
    double f_GetDouble() const override;
    bool f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                       const char* valueEnd, CStrAggregate& aggregate) const override;

protected:
    ~CStrFormatType_Int() = default;

private:
    std::uint64_t m_Magnitude;
    bool m_bNegative;
};

template <typename t_CValue>
class TCStrFormatType_Int final : public CStrFormatType_Int
{
public:
    explicit TCStrFormatType_Int(t_CValue value) noexcept
        : CStrFormatType_Int(fs_Magnitude(value), std::is_signed_v<t_CValue> && value < 0)
    {
    }
    std::size_t f_GetObjectSize() const override { return sizeof(*this); }

private:
    static std::uint64_t fs_Magnitude(t_CValue value) noexcept
    {
        if constexpr (std::is_signed_v<t_CValue>)
            return value < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                             : static_cast<std::uint64_t>(value);
        else
            return static_cast<std::uint64_t>(value);
    }
};

// A NUL-terminated text; the length is measured when the argument is built.
class CStrFormatType_String : public CStrFormatType
{
public:
    CStrFormatType_String(const char* text, std::size_t length) noexcept : m_pText(text), m_Length(length) {}
    void f_FormatValue(CFormatOutput& output, const char* options, CStrAggregate& aggregate) const override;
    std::int64_t f_GetInt() const override;
    double f_GetDouble() const override;
    bool f_ParseOption(TFormatOptions& options, char code1, char code2, const char* value,
                       const char* valueEnd, CStrAggregate& aggregate) const override;

protected:
    ~CStrFormatType_String() = default;

private:
    const char* m_pText;
    std::size_t m_Length;
};

template <typename t_CChar>
class TCStrFormatType_String final : public CStrFormatType_String
{
public:
    explicit TCStrFormatType_String(t_CChar* text) noexcept
        : CStrFormatType_String(text ? text : "", text ? std::strlen(text) : 0)
    {
    }
    std::size_t f_GetObjectSize() const override { return sizeof(*this); }
};

// A string object (CStr or a fixed string).
template <typename t_CStr>
class TCStrFormatType_TStr final : public CStrFormatType_String
{
public:
    explicit TCStrFormatType_TStr(const t_CStr& text) noexcept
        : CStrFormatType_String(text.f_GetStr(), text.f_GetLen())
    {
    }
    std::size_t f_GetObjectSize() const override { return sizeof(*this); }
};

// Argument wrappers, chosen by the argument's type.
template <typename t_CValue>
requires(std::is_integral_v<t_CValue> && !std::is_same_v<t_CValue, bool> &&
         !std::is_same_v<t_CValue, char>) TCStrFormatType_Int<t_CValue> fg_FormatArg(t_CValue value)
noexcept
{
    return TCStrFormatType_Int<t_CValue>(value);
}
inline TCStrFormatType_String<const char> fg_FormatArg(const char* text) noexcept
{
    return TCStrFormatType_String<const char>(text);
}
inline TCStrFormatType_TStr<CStr> fg_FormatArg(const CStr& text) noexcept
{
    return TCStrFormatType_TStr<CStr>(text);
}
template <std::size_t t_Size>
TCStrFormatType_TStr<TCStrImp_Fixed<t_Size>> fg_FormatArg(const TCStrImp_Fixed<t_Size>& text) noexcept
{
    return TCStrFormatType_TStr<TCStrImp_Fixed<t_Size>>(text);
}

template <typename t_C>
const CStrFormatType* fg_ArgRef(const t_C& arg) noexcept
{
    return &arg;
}

using CFormatArgs = std::initializer_list<const CStrFormatType*>;

// The out-of-line formatter behind every gf_Format.
void fg_FormatArgs(CFormatOutput& output, const char* pattern, CFormatArgs args);
void fg_FormatArgs(CStr& output, const char* pattern, CFormatArgs args);
void fg_FormatArgs(char* buffer, std::size_t capacity, std::int64_t& length, const char* pattern,
                   CFormatArgs args);
void fg_DebugOutputArgs(const char* pattern, CFormatArgs args) noexcept;

// Replaces output with the formatted text and returns the text.
template <typename... tf_CArgs>
const char* gf_Format(CStr& output, const char* pattern, const tf_CArgs&... args)
{
    fg_FormatArgs(output, pattern, {fg_ArgRef(fg_FormatArg(args))...});
    return output.f_GetStr();
}

template <std::size_t t_Size, typename... tf_CArgs>
const char* gf_Format(TCStrImp_Fixed<t_Size>& output, const char* pattern, const tf_CArgs&... args)
{
    char buffer[t_Size];
    std::int64_t length = 0;
    // Formatted aside, so that the output may also be one of the arguments.
    fg_FormatArgs(buffer, t_Size, length, pattern, {fg_ArgRef(fg_FormatArg(args))...});
    output.f_Assign(buffer, static_cast<std::size_t>(length));
    return output.f_GetStr();
}

// Formats and writes exactly that text to the debugger output; running out of memory
// while formatting drops the line.
template <typename... tf_CArgs>
void gf_DebugOutput(const char* pattern, const tf_CArgs&... args) noexcept
{
    fg_DebugOutputArgs(pattern, {fg_ArgRef(fg_FormatArg(args))...});
}
} // namespace NTev::NStr

namespace NTev
{
using NStr::gf_DebugOutput;
using NStr::gf_Format;
} // namespace NTev
