#include "fwup/identification/detector_identifier.h"

namespace fwup {

QList<QSharedPointer<DetectorIdentifier>>& global_detector_identifier_registry() {
    static QList<QSharedPointer<DetectorIdentifier>> registry;
    return registry;
}

} // namespace fwup
