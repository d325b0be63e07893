#pragma once

#include <compare>
#include <cstdint>

class QString;

namespace fwup {

// A software version as the devices report it. Ordered by major, then minor, then patch;
// 0.0.0 means that no version is known.
struct Version {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t patch = 0;

    // "%1.%2.%3" in decimal, e.g. "3.49.0".
    QString toString() const;

    friend constexpr auto operator<=>(const Version&, const Version&) = default;
};

} // namespace fwup
