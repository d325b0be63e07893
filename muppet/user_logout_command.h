#pragma once

#include "muppet/control_command.h"

#include <array>
#include <cstdint>

namespace cvsw::muppet::control {

// SET logs out the users whose bits are set in the mask; the INF reply carries two bytes that
// are kept but never read.
class UserLogoutCommand : public ControlCommand<UserLogoutCommand, 83> {
public:
    using ControlCommand::ControlCommand;

    std::uint8_t userMask = 0;
    std::array<std::uint8_t, 2> reply{};

    void encodePayload(EndianInserter& out, Mode payloadMode) const {
        if (payloadMode == Mode::SET) {
            out.put<std::uint8_t>(userMask);
        } else if (payloadMode == Mode::INF) {
            out.putBytes(reply.data(), reply.size());
        }
    }

    void decodePayload(ControlExtractor& in, Mode payloadMode) {
        if (payloadMode == Mode::SET) {
            userMask = in.extract<std::uint8_t>();
        } else if (payloadMode == Mode::INF) {
            in.extractBytes(reply.data(), reply.size());
        }
    }

    friend bool operator==(const UserLogoutCommand&, const UserLogoutCommand&) = default;
};

} // namespace cvsw::muppet::control
