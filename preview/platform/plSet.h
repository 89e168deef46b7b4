#pragma once

#include <cstdint>
#include <initializer_list>

// A set of enumeration values, one bit per value (bit n for the value n), as
// the component settings store it: BtnOptions 0x13FD is bits 0, 2..9 and 12.
template <typename E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E v : values)
            FBits |= Bit(v);
    }
    static constexpr TSet FromInt(uint32_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }
    constexpr uint32_t ToInt() const { return FBits; }
    constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr TSet& Include(E v)
    {
        FBits |= Bit(v);
        return *this;
    }
    constexpr TSet& Exclude(E v)
    {
        FBits &= ~Bit(v);
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromInt(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromInt(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromInt(FBits & o.FBits); }
    constexpr bool operator==(const TSet&) const = default;

private:
    static constexpr uint32_t Bit(E v) { return uint32_t(1) << static_cast<unsigned>(v); }
    uint32_t FBits = 0;
};
