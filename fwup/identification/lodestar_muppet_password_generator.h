#pragma once

#include "fwup/identification/muppet_password_generator.h"

namespace fwup {

// The Lodestar control pod, in its application (144) and in its bootloader (145). The model plays
// no part.
class LodestarMuppetPasswordGenerator : public MuppetPasswordGenerator {
public:
    std::vector<unsigned char> operatorPassword(cvsw::muppet::ProductTypeId type,
                                                std::optional<unsigned char> productModel) const override;
};

} // namespace fwup
