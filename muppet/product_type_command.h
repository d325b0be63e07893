#pragma once

#include "muppet/control_command.h"
#include "muppet/product_type_id.h"

#include <cstdint>

namespace cvsw::muppet::control {

// INF carries the product type and two further words that are carried but never read.
class ProductTypeCommand : public ControlCommand<ProductTypeCommand, 20> {
public:
    static constexpr const char* LABEL = "Product Type";

    using ControlCommand::ControlCommand;

    ProductTypeId productType = 0;
    std::uint16_t secondWord = 0;
    std::uint16_t thirdWord = 0;

    void encodePayload(EndianInserter& out, Mode payloadMode) const;
    void decodePayload(ControlExtractor& in, Mode payloadMode);

    friend bool operator==(const ProductTypeCommand&, const ProductTypeCommand&) = default;
};

} // namespace cvsw::muppet::control
