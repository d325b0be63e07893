#include "fwup/identification/lodestar_muppet_password_generator.h"

#include "fwup/identification/operator_password_tables.h"

#include <QDebug>

namespace fwup {

namespace {

constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD = 144;
constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD_BOOTLOADER = 145;

} // namespace

std::vector<unsigned char>
LodestarMuppetPasswordGenerator::operatorPassword(cvsw::muppet::ProductTypeId type,
                                                  std::optional<unsigned char>) const {
    switch (type) {
    case LODESTAR_CONTROL_POD:
        return operator_password_tables::LODESTAR_CONTROL_POD.reveal();
    case LODESTAR_CONTROL_POD_BOOTLOADER:
        return operator_password_tables::LODESTAR_CONTROL_POD_BOOTLOADER.reveal();
    default:
        qDebug() << "No Password available!";
        return {};
    }
}

} // namespace fwup
