#pragma once

#include "muppet/control_command.h"

#include <array>
#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the 16 serial-number bytes, in order.
class SerialNumberCommand : public ControlCommand<SerialNumberCommand, 17> {
public:
    static constexpr const char* LABEL = "Serial Number";

    using ControlCommand::ControlCommand;

    std::array<std::uint8_t, 16> serialNumber{};

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const SerialNumberCommand&, const SerialNumberCommand&) = default;
};

} // namespace cvsw::muppet::control
