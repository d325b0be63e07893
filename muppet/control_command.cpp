#include "muppet/control_command.h"

namespace cvsw::muppet::control {

void CommandHeader::encodeHeader(EndianInserter& out) const {
    out.put<std::uint8_t>(header_byte(mode, group));
    out.put<std::uint16_t>(id);
    if (mode == Mode::ERR) {
        out.put<std::uint8_t>(errorCode);
        out.put<std::uint8_t>(static_cast<std::uint8_t>(failedMode));
        out.putBytes(errorDetail.data(), errorDetail.size());
    }
}

bool CommandHeader::decodeErrorFields(ControlExtractor& in) {
    const auto code = in.extract<std::uint8_t>();
    if (in.failed()) {
        return false;
    }
    errorCode = code;
    const auto failed = in.extract<std::uint8_t>();
    if (in.failed()) {
        return false;
    }
    failedMode = static_cast<Mode>(failed);
    return in.extractBytes(errorDetail.data(), errorDetail.size());
}

} // namespace cvsw::muppet::control
