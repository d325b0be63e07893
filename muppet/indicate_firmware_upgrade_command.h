#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// SET carries the indication to set; INF the indication, whether an upgrade is allowed and
// whether the indication is active.
class IndicateFirmwareUpgradeCommand : public ControlCommand<IndicateFirmwareUpgradeCommand, 114> {
public:
    static constexpr const char* LABEL = "Indicate Firmware Upgrade";

    using ControlCommand::ControlCommand;

    bool indication = false;
    bool upgradeAllowed = false;
    bool indicationActive = false;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const IndicateFirmwareUpgradeCommand&,
                           const IndicateFirmwareUpgradeCommand&) = default;
};

} // namespace cvsw::muppet::control
