#pragma once

#include "muppet/control_command.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the product model: 1..254 are models, 0 means not valid yet and 255 invalid.
class ProductModelCommand : public ControlCommand<ProductModelCommand, 110> {
public:
    static constexpr const char* LABEL = "Product Model";

    using ControlCommand::ControlCommand;

    std::uint8_t productModel = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const ProductModelCommand&, const ProductModelCommand&) = default;
};

} // namespace cvsw::muppet::control
