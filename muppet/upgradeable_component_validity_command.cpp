#include "muppet/upgradeable_component_validity_command.h"

namespace cvsw::muppet::control {

void UpgradeableComponentValidityCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.putBool(complete);
        out.put<std::uint32_t>(validFlags);
        out.put<std::uint32_t>(validMask);
    }
}

void UpgradeableComponentValidityCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        complete = in.extractBool();
        validFlags = in.extract<std::uint32_t>();
        validMask = in.extract<std::uint32_t>();
    }
}

} // namespace cvsw::muppet::control
