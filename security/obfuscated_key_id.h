#pragma once

#include <cstdint>

namespace fwup {

// A row of the obfuscated key provider's index table, 0 to 31: ObfuscatedKeyId{5}.
enum class ObfuscatedKeyId : std::uint16_t {};

} // namespace fwup
