#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace fwup::detail {

// QTimer takes signed 32-bit milliseconds; a longer wait is cut to the longest it can run rather
// than wrapped to a negative value that would never fire.
inline int timer_interval(std::uint64_t milliseconds) {
    return static_cast<int>(std::min<std::uint64_t>(milliseconds, std::numeric_limits<int>::max()));
}

} // namespace fwup::detail
