#pragma once

#include <cstdint>

class QJsonValue;

namespace cvsw::cvbv3 {

// The hardware flags of a JSON array of hardware versions: bit v for each version v, 1 to 31. Throws
// std::runtime_error for a value that is not an array and for any version outside 1 to 31.
std::uint32_t build_compatible_hw_flags(const QJsonValue& versions);

} // namespace cvsw::cvbv3
