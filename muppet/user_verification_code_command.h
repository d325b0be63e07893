#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the user verification code as a 32-bit number.
class UserVerificationCodeCommand : public ControlCommand<UserVerificationCodeCommand, 56> {
public:
    static constexpr const char* LABEL = "User Verification Code";

    using ControlCommand::ControlCommand;

    std::uint32_t userVerificationCode = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const UserVerificationCodeCommand&, const UserVerificationCodeCommand&) = default;
};

} // namespace cvsw::muppet::control
