#include "muppet/serial_number_command.h"

namespace cvsw::muppet::control {

void SerialNumberCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.putBytes(serialNumber.data(), serialNumber.size());
    }
}

void SerialNumberCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        in.extractBytes(serialNumber.data(), serialNumber.size());
    }
}

} // namespace cvsw::muppet::control
