#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF tells which hash algorithm the device's login uses and which users are logged in
// (bit n set: user n). The third byte is carried but never read.
class UserLoginStatusCommand : public ControlCommand<UserLoginStatusCommand, 82> {
public:
    using ControlCommand::ControlCommand;

    std::uint8_t hashAlgorithm = 0;
    std::uint8_t loggedInUsers = 0;
    std::uint8_t reserved = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const {
        if (payloadMode == Mode::INF) {
            out.put<std::uint8_t>(hashAlgorithm);
            out.put<std::uint8_t>(loggedInUsers);
            out.put<std::uint8_t>(reserved);
        }
    }

    void decodePayload(ControlExtractor& in, Mode payloadMode) {
        if (payloadMode == Mode::INF) {
            hashAlgorithm = in.extract<std::uint8_t>();
            loggedInUsers = in.extract<std::uint8_t>();
            reserved = in.extract<std::uint8_t>();
        }
    }

    friend bool operator==(const UserLoginStatusCommand&, const UserLoginStatusCommand&) = default;
};

} // namespace cvsw::muppet::control
