#include "fwup/firmware/legacy_system_update.h"

#include <utility>

namespace fwup {

LegacySystemUpdate::LegacySystemUpdate(QString imagePath, QMap<UpgradeableComponent, Version> versions)
    : imagePath_(std::move(imagePath))
    , versions_(std::move(versions)) {
}

LegacySystemUpdate::~LegacySystemUpdate() = default;

QMap<UpgradeableComponent, Version> LegacySystemUpdate::componentVersions() const {
    return versions_;
}

} // namespace fwup
