#include "fwup/coordination/detector_version_checker.h"

namespace fwup {

DetectorVersionChecker::DetectorVersionChecker(QObject* parent)
    : QObject(parent) {
}

DetectorVersionChecker::~DetectorVersionChecker() = default;

QList<QSharedPointer<DetectorVersionChecker>>& global_detector_version_checker_registry() {
    static QList<QSharedPointer<DetectorVersionChecker>> registry;
    return registry;
}

} // namespace fwup
