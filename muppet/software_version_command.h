#pragma once

#include "muppet/control_command.h"
#include "muppet/version.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the running software's version and a 16-bit trailer that is kept but never read.
class SoftwareVersionCommand : public ControlCommand<SoftwareVersionCommand, 3> {
public:
    static constexpr const char* LABEL = "Software Version";

    using ControlCommand::ControlCommand;

    fwup::Version version;
    std::uint16_t trailer = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const SoftwareVersionCommand&, const SoftwareVersionCommand&) = default;
};

} // namespace cvsw::muppet::control
