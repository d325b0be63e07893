#include "muppet/product_model_command.h"

namespace cvsw::muppet::control {

void ProductModelCommand::encodePayload(EndianInserter& out, Mode payloadMode) const {
    if (payloadMode == Mode::INF) {
        out.put<std::uint8_t>(productModel);
    }
}

void ProductModelCommand::decodePayload(ControlExtractor& in, Mode payloadMode) {
    if (payloadMode == Mode::INF) {
        productModel = in.extract<std::uint8_t>();
    }
}

} // namespace cvsw::muppet::control
