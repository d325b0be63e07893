#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// SET logs a user in on the session the device handed out, with the digest of the session bytes
// and the user's password; INF confirms it for the session id and user. V is the digest's vector
// type, LpdVector<unsigned char> in this program.
template <typename V>
class UserLoginCommand : public ControlCommand<UserLoginCommand<V>, 80> {
public:
    using ControlCommand<UserLoginCommand<V>, 80>::ControlCommand;

    std::uint8_t sessionId = 0;
    std::uint8_t userId = 0;
    V digest; // in an INF reply: carried but never read

    void encodePayload(EndianInserter& out, Mode payloadMode) const {
        if (payloadMode == Mode::SET || payloadMode == Mode::INF) {
            out.put<std::uint8_t>(sessionId);
            out.put<std::uint8_t>(userId);
            digest.encode(out);
        }
    }

    void decodePayload(ControlExtractor& in, Mode payloadMode) {
        if (payloadMode == Mode::SET || payloadMode == Mode::INF) {
            sessionId = in.extract<std::uint8_t>();
            userId = in.extract<std::uint8_t>();
            digest.decode(in);
        }
    }

    friend bool operator==(const UserLoginCommand&, const UserLoginCommand&) = default;
};

} // namespace cvsw::muppet::control
