#include "muppet/store_user_settings_record_command.h"

namespace cvsw::muppet::control {

void StoreUserSettingsRecordCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode != Mode::GET && payloadMode != Mode::SET && payloadMode != Mode::INF) {
        return;
    }
    out.put<std::uint8_t>(version.major);
    out.put<std::uint8_t>(version.minor);
    out.put<std::uint8_t>(version.patch);
    if (payloadMode == Mode::INF) {
        out.putBool(supported);
        out.put<std::uint8_t>(status);
    }
}

void StoreUserSettingsRecordCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode != Mode::GET && payloadMode != Mode::SET && payloadMode != Mode::INF) {
        return;
    }
    version.major = in.extract<std::uint8_t>();
    version.minor = in.extract<std::uint8_t>();
    version.patch = in.extract<std::uint8_t>();
    if (payloadMode == Mode::INF) {
        supported = in.extractBool();
        status = in.extract<std::uint8_t>();
    }
}

} // namespace cvsw::muppet::control
