#include "tests/support/operator_passwords/generated_operator_password.h"

#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"

namespace cuu::test {

std::vector<std::uint8_t> generated_operator_password(std::uint16_t productType,
                                                      std::optional<std::uint8_t> model) {
    // The generators themselves rather than the registry, so the device side does not depend on what
    // a test has registered.
    constexpr std::uint16_t NORDIC_BLUETOOTH_LE_GATEWAY = 161;
    if (productType == NORDIC_BLUETOOTH_LE_GATEWAY) {
        return fwup::JuniperMuppetPasswordGenerator().operatorPassword(productType, model);
    }
    return fwup::LodestarMuppetPasswordGenerator().operatorPassword(productType, model);
}

} // namespace cuu::test
