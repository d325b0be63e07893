#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the hardware revision byte.
class HardwareVersionCommand : public ControlCommand<HardwareVersionCommand, 35> {
public:
    static constexpr const char* LABEL = "Hardware Version";

    using ControlCommand::ControlCommand;

    std::uint8_t hardwareRevision = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const HardwareVersionCommand&, const HardwareVersionCommand&) = default;
};

} // namespace cvsw::muppet::control
