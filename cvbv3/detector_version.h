#pragma once

#include <cstdint>

class QString;

namespace cvsw::cvbv3 {

// A software version as the container tools write it, "major.minor.patch", one byte per part.
struct DetectorVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t patch = 0;

    // Exactly three parts, split at every "."; a part that is not a 32-bit decimal integer counts as
    // 0, and each part keeps its value modulo 256. Any other number of parts is logged and gives
    // 0.0.0, which no real release carries.
    static DetectorVersion fromString(const QString& text);

    bool isZero() const { return major == 0 && minor == 0 && patch == 0; }
    bool operator==(const DetectorVersion&) const = default;
};

} // namespace cvsw::cvbv3
