#pragma once

#include "fwup/identification/muppet_password_generator.h"

namespace fwup {

// The Bluetooth gateway part (161) that several detector families carry; its password depends on
// the family, which the gateway reports as its product model (1 to 4).
class JuniperMuppetPasswordGenerator : public MuppetPasswordGenerator {
public:
    std::vector<unsigned char> operatorPassword(cvsw::muppet::ProductTypeId type,
                                                std::optional<unsigned char> productModel) const override;
};

} // namespace fwup
