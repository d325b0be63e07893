#include "fwup/firmware/mbu_and_tamarind_system_update.h"

namespace fwup {

MbuAndTamarindSystemUpdate::MbuAndTamarindSystemUpdate(Version controlPodVersion, Version tamarindVersion)
    : tamarindUpdate_(tamarindVersion)
    , controlPodFile_(TamarindComponentUpdate::createReservedFile(ROWAN_CP_TEMP_FIRMWARE)) {
    versions_.insert(UpgradeableComponent::TAMARIND, tamarindVersion);
    versions_.insert(UpgradeableComponent::CONTROL_POD, controlPodVersion);
}

MbuAndTamarindSystemUpdate::~MbuAndTamarindSystemUpdate() = default;

QMap<UpgradeableComponent, Version> MbuAndTamarindSystemUpdate::componentVersions() const {
    return versions_;
}

} // namespace fwup
