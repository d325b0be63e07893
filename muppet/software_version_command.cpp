#include "muppet/software_version_command.h"

namespace cvsw::muppet::control {

void SoftwareVersionCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.put<std::uint8_t>(version.major);
        out.put<std::uint8_t>(version.minor);
        out.put<std::uint8_t>(version.patch);
        out.put<std::uint16_t>(trailer);
    }
}

void SoftwareVersionCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        version.major = in.extract<std::uint8_t>();
        version.minor = in.extract<std::uint8_t>();
        version.patch = in.extract<std::uint8_t>();
        trailer = in.extract<std::uint16_t>();
    }
}

} // namespace cvsw::muppet::control
