#include "fwup/communication/detector_locator.h"

namespace fwup {

QList<QSharedPointer<DetectorLocator>>& global_detector_locator_registry() {
    static QList<QSharedPointer<DetectorLocator>> registry;
    return registry;
}

} // namespace fwup
