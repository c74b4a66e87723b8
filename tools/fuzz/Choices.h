#pragma once
// Where random sessions take their choices from: a seeded generator (the property test, which
// must replay one session from its seed on every platform) or the bytes of a fuzz input.

#include <cstddef>
#include <cstdint>

namespace NQuillonFuzz
{
class ICChoices
{
public:
    // A number from 0 to bound - 1 (0 when bound is 0).
    virtual std::uint32_t f_Below(std::uint32_t bound) = 0;
    bool f_Chance(std::uint32_t percent) { return f_Below(100) < percent; }

protected:
    ~ICChoices() = default;
};

// SplitMix64: the same numbers from the same seed with every compiler and library.
class CSeededChoices final : public ICChoices
{
public:
    explicit CSeededChoices(std::uint64_t seed) : m_State(seed) {}
    std::uint32_t f_Below(std::uint32_t bound) override
    {
        m_State += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = m_State;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return bound ? static_cast<std::uint32_t>(z % bound) : 0;
    }

private:
    std::uint64_t m_State;
};

// One byte per choice (two for larger bounds); 0 once the input is used up, so that every
// input ends its session.
class CByteChoices final : public ICChoices
{
public:
    CByteChoices(const std::uint8_t* data, std::size_t size) : m_pData(data), m_Size(size) {}
    std::uint32_t f_Below(std::uint32_t bound) override
    {
        if (bound == 0)
            return 0;
        std::uint32_t value = fp_Byte();
        if (bound > 256)
            value = value << 8 | fp_Byte();
        return value % bound;
    }
    bool f_IsUsedUp() const noexcept { return m_Position >= m_Size; }

private:
    std::uint32_t fp_Byte() { return m_Position < m_Size ? m_pData[m_Position++] : 0; }

    const std::uint8_t* m_pData;
    std::size_t m_Size;
    std::size_t m_Position = 0;
};
} // namespace NQuillonFuzz
