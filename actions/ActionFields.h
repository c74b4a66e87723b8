#pragma once
// The stored fields of a plug-in action by name, so that tools show and set them as they are
// (a stored value that no option entry matches included) rather than through the options.

#include <cstdint>
#include <vector>

namespace NQuillon
{
class ICActionFields
{
public:
    struct CField
    {
        const char* m_pName;
        std::int32_t m_Value;
    };
    // In the order the action stores them.
    virtual std::vector<CField> f_GetFields() const = 0;
    // False for a name the action does not have.
    virtual bool f_SetField(const char* name, std::int32_t value) = 0;

protected:
    ~ICActionFields() = default;
};
} // namespace NQuillon
