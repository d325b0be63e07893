#pragma once

#include "muppet/control_command.h"
#include "muppet/version.h"

#include <cstdint>

namespace cvsw::muppet::control {

// GET and SET carry the target version; INF adds whether storing for it is supported and the
// storing status (0 is idle).
class StoreUserSettingsRecordCommand : public ControlCommand<StoreUserSettingsRecordCommand, 105> {
public:
    static constexpr const char* LABEL = "Store User Settings Record";

    using ControlCommand::ControlCommand;

    fwup::Version version;
    bool supported = false;
    std::uint8_t status = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const StoreUserSettingsRecordCommand&,
                           const StoreUserSettingsRecordCommand&) = default;
};

} // namespace cvsw::muppet::control
