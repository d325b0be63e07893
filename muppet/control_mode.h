#pragma once

#include <cstdint>

namespace cvsw::muppet::control {

// The two top bits of a control message's header byte.
enum class Mode : std::uint8_t {
    GET = 0,
    SET = 1,
    INF = 2, // the device's reply
    ERR = 3, // the device's error reply
};

// The six low bits of the header byte. Only groups below GROUP_COUNT can carry handlers.
using Group = std::uint8_t;

inline constexpr Group GROUP_COUNT = 7;
inline constexpr Group DEVICE_GROUP = 2; // every command of this program lives here

// "GET", "SET", "INF", "ERR", or "?INVALID_CONTROL_MODE?".
const char* mode_to_string(Mode mode);

// The header byte of a message: mode << 6 | group.
constexpr std::uint8_t header_byte(Mode mode, Group group) {
    return static_cast<std::uint8_t>((static_cast<unsigned>(mode) << 6) | (group & 0x3Fu));
}

} // namespace cvsw::muppet::control
