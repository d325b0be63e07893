#pragma once

#include <algorithm>
#include <compare>

namespace cvsw::v2 {

// An integer kept within [Lower, Upper]: a value outside is clamped when the object is made, so a
// holder never sees one out of range (percentages 0..100, user verification codes 0..99999).
template <typename T, T Lower, T Upper>
class RangedInteger {
    static_assert(Lower <= Upper);

public:
    static constexpr T LOWER = Lower;
    static constexpr T UPPER = Upper;

    constexpr RangedInteger() = default;
    constexpr explicit RangedInteger(T value)
        : value_(std::clamp(value, Lower, Upper)) {}

    constexpr T value() const { return value_; }

    friend constexpr auto operator<=>(const RangedInteger&, const RangedInteger&) = default;

private:
    T value_ = Lower;
};

} // namespace cvsw::v2
