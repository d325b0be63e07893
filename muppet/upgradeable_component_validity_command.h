#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF says whether the device finished its validity check, with two 32-bit sets of component bits.
class UpgradeableComponentValidityCommand : public ControlCommand<UpgradeableComponentValidityCommand, 111> {
public:
    static constexpr const char* LABEL = "Upgradeable Component Validity";

    using ControlCommand::ControlCommand;

    bool complete = false;
    std::uint32_t validFlags = 0;
    std::uint32_t validMask = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const UpgradeableComponentValidityCommand&,
                           const UpgradeableComponentValidityCommand&) = default;
};

} // namespace cvsw::muppet::control
