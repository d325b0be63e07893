#include "fwup/coordination/detector_upgrade_readiness_checker.h"

namespace fwup {

DetectorUpgradeReadinessChecker::~DetectorUpgradeReadinessChecker() = default;

QList<QSharedPointer<DetectorUpgradeReadinessChecker>>& global_detector_upgrade_status_checker_registry() {
    static QList<QSharedPointer<DetectorUpgradeReadinessChecker>> registry;
    return registry;
}

} // namespace fwup
