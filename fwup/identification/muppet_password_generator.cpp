#include "fwup/identification/muppet_password_generator.h"

namespace fwup {

QList<QSharedPointer<MuppetPasswordGenerator>>& muppet_password_generator_registry() {
    static QList<QSharedPointer<MuppetPasswordGenerator>> registry;
    return registry;
}

bool get_operator_password_for_product(const cvsw::muppet::ProductTypeId& type,
                                       std::vector<unsigned char>& password,
                                       std::optional<unsigned char> productModel) {
    // A copy, so a generator that registers another while it answers cannot upset the walk.
    const QList<QSharedPointer<MuppetPasswordGenerator>> generators = muppet_password_generator_registry();
    for (const auto& generator : generators) {
        password = generator->operatorPassword(type, productModel);
        if (!password.empty()) {
            return true;
        }
    }
    return false;
}

} // namespace fwup
