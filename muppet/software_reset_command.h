#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// SET restarts the device into its application. No payload in any mode.
class SoftwareResetCommand : public ControlCommand<SoftwareResetCommand, 5> {
public:
    static constexpr const char* LABEL = "Software Reset";

    using ControlCommand::ControlCommand;

    void encodePayload(EndianInserter&, Mode) const {}
    void decodePayload(ControlExtractor&, Mode) {}

    friend bool operator==(const SoftwareResetCommand&, const SoftwareResetCommand&) = default;
};

} // namespace cvsw::muppet::control
