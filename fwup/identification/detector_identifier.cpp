#include "fwup/identification/detector_identifier.h"

namespace fwup {

QList<QSharedPointer<DetectorIdentifier>>& global_detector_identifier_registry() {
    static QList<QSharedPointer<DetectorIdentifier>> registry;
    return registry;
}

std::unique_ptr<ISystemIdentity>
identify_detector_at(const QString& location, const std::function<bool(const ISystemIdentity&)>& accept) {
    const auto identifiers = global_detector_identifier_registry();
    for (const auto& identifier : identifiers) {
        std::unique_ptr<ISystemIdentity> identity = identifier->identifyDetector(location);
        if (identity && (!accept || accept(*identity))) {
            return identity;
        }
    }
    return nullptr;
}

} // namespace fwup
