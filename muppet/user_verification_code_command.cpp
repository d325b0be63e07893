#include "muppet/user_verification_code_command.h"

namespace cvsw::muppet::control {

void UserVerificationCodeCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.put<std::uint32_t>(userVerificationCode);
    }
}

void UserVerificationCodeCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        userVerificationCode = in.extract<std::uint32_t>();
    }
}

} // namespace cvsw::muppet::control
