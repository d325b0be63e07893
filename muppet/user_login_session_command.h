#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// GET asks for a login session with the given hash algorithm; INF answers with the algorithm, the
// session id and the session bytes that the login digest starts with. V is the session's vector
// type, LpdVector<unsigned char> in this program.
template <typename V>
class UserLoginSessionCommand : public ControlCommand<UserLoginSessionCommand<V>, 81> {
public:
    using ControlCommand<UserLoginSessionCommand<V>, 81>::ControlCommand;

    std::uint8_t hashAlgorithm = 0;
    std::uint8_t sessionId = 0;
    V session;

    void encodePayload(EndianInserter& out, Mode payloadMode) const {
        if (payloadMode == Mode::GET) {
            out.put<std::uint8_t>(hashAlgorithm);
        } else if (payloadMode == Mode::INF) {
            out.put<std::uint8_t>(hashAlgorithm);
            out.put<std::uint8_t>(sessionId);
            session.encode(out);
        }
    }

    void decodePayload(ControlExtractor& in, Mode payloadMode) {
        if (payloadMode == Mode::GET) {
            hashAlgorithm = in.extract<std::uint8_t>();
        } else if (payloadMode == Mode::INF) {
            hashAlgorithm = in.extract<std::uint8_t>();
            sessionId = in.extract<std::uint8_t>();
            session.decode(in);
        }
    }

    friend bool operator==(const UserLoginSessionCommand&, const UserLoginSessionCommand&) = default;
};

} // namespace cvsw::muppet::control
