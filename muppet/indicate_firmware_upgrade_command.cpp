#include "muppet/indicate_firmware_upgrade_command.h"

namespace cvsw::muppet::control {

void IndicateFirmwareUpgradeCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::SET) {
        out.putBool(indication);
    } else if (payloadMode == Mode::INF) {
        out.putBool(indication);
        out.putBool(upgradeAllowed);
        out.putBool(indicationActive);
    }
}

void IndicateFirmwareUpgradeCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::SET) {
        indication = in.extractBool();
    } else if (payloadMode == Mode::INF) {
        indication = in.extractBool();
        upgradeAllowed = in.extractBool();
        indicationActive = in.extractBool();
    }
}

} // namespace cvsw::muppet::control
