#include "fwup/firmware/tamarind_system_update.h"

#include <utility>

namespace fwup {

TamarindSystemUpdate::TamarindSystemUpdate(DetectorType detectorType, TamarindComponentUpdate component)
    : detectorType_(detectorType)
    , component_(std::move(component)) {
}

TamarindSystemUpdate::~TamarindSystemUpdate() = default;

QMap<UpgradeableComponent, Version> TamarindSystemUpdate::componentVersions() const {
    return {{UpgradeableComponent::TAMARIND, component_.version()}};
}

} // namespace fwup
