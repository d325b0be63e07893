#pragma once

#include <cstdint>

// The group-2 control commands a simulated detector answers, by id. Spelled out here rather than taken
// from the program's command classes, so that a wrong id there shows up as a failing test.
namespace cuu::test::command_id {

inline constexpr std::uint16_t SOFTWARE_VERSION = 3;
inline constexpr std::uint16_t SOFTWARE_RESET = 5;
inline constexpr std::uint16_t SERIAL_NUMBER = 17;
inline constexpr std::uint16_t SOFTWARE_RESET_TO_BOOTLOADER = 19;
inline constexpr std::uint16_t PRODUCT_TYPE = 20;
inline constexpr std::uint16_t HARDWARE_VERSION = 35;
inline constexpr std::uint16_t USER_VERIFICATION_CODE = 56;
inline constexpr std::uint16_t FILE_PUT_LPD = 78;
inline constexpr std::uint16_t USER_LOGIN = 80;
inline constexpr std::uint16_t USER_LOGIN_SESSION = 81;
inline constexpr std::uint16_t USER_LOGIN_STATUS = 82;
inline constexpr std::uint16_t USER_LOGOUT = 83;
inline constexpr std::uint16_t STORE_USER_SETTINGS_RECORD = 105;
inline constexpr std::uint16_t PRODUCT_MODEL = 110;
inline constexpr std::uint16_t UPGRADEABLE_COMPONENT_VALIDITY = 111;
inline constexpr std::uint16_t INDICATE_FIRMWARE_UPGRADE = 114;

} // namespace cuu::test::command_id
