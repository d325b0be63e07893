#include "muppet/hardware_version_command.h"

namespace cvsw::muppet::control {

void HardwareVersionCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.put<std::uint8_t>(hardwareRevision);
    }
}

void HardwareVersionCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        hardwareRevision = in.extract<std::uint8_t>();
    }
}

} // namespace cvsw::muppet::control
