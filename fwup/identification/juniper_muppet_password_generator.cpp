#include "fwup/identification/juniper_muppet_password_generator.h"

#include "fwup/identification/operator_password_tables.h"

#include <QDebug>

namespace fwup {

namespace {

constexpr cvsw::muppet::ProductTypeId NORDIC_BLUETOOTH_LE_GATEWAY = 161;

struct ModelPassword {
    const char* logLine;
    const ObfuscatedPassword* password;
};

// Row m - 1 is model m.
const ModelPassword MODEL_PASSWORDS[] = {
    {"using juniper model 1 password (lodestar)", &operator_password_tables::JUNIPER_MODEL_1},
    {"using juniper model 2 password (ocelot2)", &operator_password_tables::JUNIPER_MODEL_2},
    {"using juniper model 3 password (rowan)", &operator_password_tables::JUNIPER_MODEL_3},
    {"using juniper model 4 password (bramble)", &operator_password_tables::JUNIPER_MODEL_4},
};

} // namespace

std::vector<unsigned char>
JuniperMuppetPasswordGenerator::operatorPassword(cvsw::muppet::ProductTypeId type,
                                                 std::optional<unsigned char> productModel) const {
    if (type != NORDIC_BLUETOOTH_LE_GATEWAY) {
        qDebug() << "No Password available!";
        return {};
    }
    if (!productModel || *productModel < 1 || *productModel > std::size(MODEL_PASSWORDS)) {
        qDebug() << "No Password available for provided model!";
        return {};
    }
    const ModelPassword& row = MODEL_PASSWORDS[*productModel - 1];
    qDebug() << row.logLine;
    return row.password->reveal();
}

} // namespace fwup
