#include "muppet/product_type_command.h"

namespace cvsw::muppet::control {

void ProductTypeCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.put<std::uint16_t>(productType);
        out.put<std::uint16_t>(secondWord);
        out.put<std::uint16_t>(thirdWord);
    }
}

void ProductTypeCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        productType = in.extract<std::uint16_t>();
        secondWord = in.extract<std::uint16_t>();
        thirdWord = in.extract<std::uint16_t>();
    }
}

} // namespace cvsw::muppet::control
