#pragma once

#include "muppet/product_type_id.h"

#include <QList>
#include <QSharedPointer>

#include <optional>
#include <vector>

namespace fwup {

// Knows the operator passwords of one product family.
class MuppetPasswordGenerator {
public:
    virtual ~MuppetPasswordGenerator() = default;

    // The operator password of the product; empty when this generator has none for it (or for
    // its model).
    virtual std::vector<unsigned char> operatorPassword(cvsw::muppet::ProductTypeId type,
                                                        std::optional<unsigned char> productModel) const = 0;
};

// The generators of every supported family, in registration order. Filled at start-up by the
// family registrars, only read afterwards.
QList<QSharedPointer<MuppetPasswordGenerator>>& muppet_password_generator_registry();

// Asks the registered generators in order and stops at the first that knows the product. When none
// does, password ends up empty and the result is false; with no generator registered at all the
// password is left as it was.
bool get_operator_password_for_product(const cvsw::muppet::ProductTypeId& type,
                                       std::vector<unsigned char>& password,
                                       std::optional<unsigned char> productModel = std::nullopt);

} // namespace fwup
