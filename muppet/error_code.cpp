#include "muppet/error_code.h"

#include <array>

namespace cvsw::muppet::control {

const char* error_code_name(std::uint8_t code) {
    static constexpr std::array<const char*, 11> names = {
        "NONE",
        "UNKNOWN_FRAME_TYPE",
        "PARAMETER",
        "LENGTH",
        "UNAUTHORISED",
        "NOT_OPEN",
        "TX",
        "TIMEOUT",
        "FAILED",
        "UNHANDLED",
        "UNSUPPORTED_OPERATION",
    };
    return code < names.size() ? names[code] : "?INVALID_MUPPET_ERROR?";
}

} // namespace cvsw::muppet::control
