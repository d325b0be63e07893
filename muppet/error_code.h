#pragma once

#include <cstdint>

namespace cvsw::muppet::control {

// The device's error number, the first of the ERR fields of an error reply.
enum class ErrorCode : std::uint8_t {
    NONE = 0,
    UNKNOWN_FRAME_TYPE = 1,
    PARAMETER = 2,
    LENGTH = 3,
    UNAUTHORISED = 4,
    NOT_OPEN = 5,
    TX = 6,
    TIMEOUT = 7,
    FAILED = 8,
    UNHANDLED = 9,
    UNSUPPORTED_OPERATION = 10,
};

// The enumerator's name for 0..10, "?INVALID_MUPPET_ERROR?" for any other byte.
const char* error_code_name(std::uint8_t code);

} // namespace cvsw::muppet::control
