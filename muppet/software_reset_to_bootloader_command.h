#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// SET restarts the device into its bootloader. No payload in any mode.
class SoftwareResetToBootloaderCommand : public ControlCommand<SoftwareResetToBootloaderCommand, 19> {
public:
    static constexpr const char* LABEL = "Software Reset to Bootloader";

    using ControlCommand::ControlCommand;

    void encodePayload(EndianInserter&, Mode) const {}
    void decodePayload(ControlExtractor&, Mode) {}

    friend bool operator==(const SoftwareResetToBootloaderCommand&,
                           const SoftwareResetToBootloaderCommand&) = default;
};

} // namespace cvsw::muppet::control
