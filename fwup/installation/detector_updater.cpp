#include "fwup/installation/detector_updater.h"

namespace fwup {

DetectorUpdater::DetectorUpdater(QObject* parent)
    : QObject(parent) {
}

DetectorUpdater::~DetectorUpdater() = default;

QList<QSharedPointer<DetectorUpdater>>& global_detector_updater_registry() {
    static QList<QSharedPointer<DetectorUpdater>> registry;
    return registry;
}

} // namespace fwup
